// Paced timing: bytes cross the line at baud/10 per second and the device takes its own time;
// instant timing answers without either. Only lower bounds are tight: a busy machine is slow.

#include "devsim_process.h"
#include "host_port.h"

#include <gtest/gtest.h>

#include <chrono>

namespace zev::test {
namespace {

double TimedMs(HostPort& host, const ABytes& request, std::size_t answer) {
    const auto start = std::chrono::steady_clock::now();
    const ABytes a = host.Exchange(request, answer, 5000, 0);
    const auto ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    EXPECT_EQ(a.size(), answer);
    return ms;
}

TEST(DevSimTiming, PacedAnswersTakeTheLineTimeAndTheDevicesOwnTime) {
    DevSim sim;
    ASSERT_TRUE(sim.Start(
        {"--paced", "--set", "flash-ms=150", "--set", "identity-ms=0", "--set", "reset-ms=300"}))
        << sim.Error();
    HostPort host(sim.Ports.at("dev1").Pty);
    ASSERT_TRUE(host.IsOpen());
    // 3 bytes in and 59 out at 1920 bytes per second: 32 ms.
    EXPECT_GE(TimedMs(host, Frame(0), 59), 28.0);
    // 69 bytes in, 150 ms of writing, 3 bytes out: 187 ms.
    EXPECT_GE(TimedMs(host, FlashFrame(0x400, Bytes(64, 0)), 3), 180.0);
    EXPECT_GE(TimedMs(host, Frame(3), 3), 300.0);
}

TEST(DevSimTiming, ALowerBaudRateIsSlower) {
    DevSim sim;
    ASSERT_TRUE(sim.Start({"--paced", "--set", "baud=2400", "--set", "identity-ms=0"}))
        << sim.Error();
    HostPort host(sim.Ports.at("dev1").Pty);
    // 62 bytes at 240 per second: 258 ms.
    EXPECT_GE(TimedMs(host, Frame(0), 59), 240.0);
}

TEST(DevSimTiming, InstantAnswersIgnoreTheDevicesTimes) {
    DevSim sim;
    ASSERT_TRUE(sim.Start({"--instant", "--set", "flash-ms=3000", "--set", "reset-ms=3000"}))
        << sim.Error();
    HostPort host(sim.Ports.at("dev1").Pty);
    EXPECT_LT(TimedMs(host, FlashFrame(0x400, Bytes(64, 0)), 3), 1500.0);
    EXPECT_LT(TimedMs(host, Frame(3), 3), 1500.0);
}

} // namespace
} // namespace zev::test
