// Injected faults, each hitting the requests it names.

#include "devsim_process.h"
#include "host_port.h"
#include "support/temp_file.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace zev::test {
namespace {

struct Step {
    ABytes request;
    std::size_t size; // bytes of the answer; 0: no answer at all
    ABytes starts;    // the answer's first bytes
};

const ABytes kId = Frame(0);
const ABytes kReset = Frame(3);
ABytes Fl(std::uint16_t a) {
    return FlashFrame(a, Bytes(64, static_cast<std::uint8_t>(a)));
}
Step None(const ABytes& r) {
    return {r, 0, {}};
}
Step Acked(const ABytes& r) {
    return {r, 3, Ack(r[0] & 0x0F)};
}

TEST(DevSimFaults, EachFaultHitsTheRequestsItNames) {
    struct Case {
        const char* fault;
        std::vector<Step> steps;
    };
    const Case cases[] = {
        {"drop flash n=2", {Acked(Fl(0x400)), None(Fl(0x440)), Acked(Fl(0x440)), Acked(Fl(0x480))}},
        {"drop flash every=2",
         {Acked(Fl(0x400)), None(Fl(0x440)), Acked(Fl(0x440)), None(Fl(0x480)), Acked(kReset)}},
        {"drop flash addr=0x440 first=2",
         {Acked(Fl(0x400)), None(Fl(0x440)), None(Fl(0x440)), Acked(Fl(0x440)), Acked(Fl(0x480))}},
        {"drop reset", {None(kReset), {kId, 59, {0xF0, 0x38}}, None(kReset)}},
        {"nibble id", {{kId, 59, {0x70, 0x38}}, Acked(Fl(0x400))}},
        {"short flash len=2", {{Fl(0x400), 2, {0xF2, 0x00}}, {kId, 59, {0xF0, 0x38}}}},
        {"short id len=20", {{kId, 20, {0xF0, 0x38}}}},
        {"noise reset bytes=3", {{kReset, 6, {0x00, 0x55, 0xAA, 0xF3, 0x00, 0xCC}}}},
        {"idlen len=49", {{kId, 49, {0xF0, 46}}, Acked(kReset)}},
        {"silence flash after=1", {Acked(Fl(0x400)), None(Fl(0x440)), None(kId), None(kReset)}},
        {"drop any n=1", {None(kId), {kId, 59, {0xF0, 0x38}}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fault);
        DevSim sim;
        ASSERT_TRUE(sim.Start({"--fault", c.fault})) << sim.Error();
        HostPort host(sim.Ports.at("dev1").Pty);
        ASSERT_TRUE(host.IsOpen());
        int n = 0;
        for (const Step& s : c.steps) {
            SCOPED_TRACE("step " + std::to_string(++n));
            const ABytes a =
                s.size == 0 ? host.Exchange(s.request, 0, 300) : host.Exchange(s.request, s.size);
            ASSERT_EQ(a.size(), s.size) << ABytesToText(a, " ", true);
            EXPECT_EQ(ABytesCopy(a, 0, static_cast<std::int32_t>(s.starts.size())), s.starts);
        }
        EXPECT_EQ(sim.Stop(), 0);
    }
}

TEST(DevSimFaults, ShortIdentityIsAWellFormedFrame) {
    DevSim sim;
    ASSERT_TRUE(sim.Start({"--fault", "idlen len=40"})) << sim.Error();
    HostPort host(sim.Ports.at("dev1").Pty);
    const ABytes a = host.Exchange(kId, 40);
    ASSERT_EQ(a.size(), 40u);
    EXPECT_EQ(a[1], 37);
    EXPECT_EQ(ABytesCRC8(ABytesCopy(a, 0, 39)), a[39]);
}

TEST(DevSimFaults, CloseMakesThePortDisappearMidRun) {
    const auto link = ScratchPath("ttyUSB-sim");
    DevSim sim;
    ASSERT_TRUE(sim.Start({"--fault", "close flash after=2", "--link", link.string()}))
        << sim.Error();
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    HostPort host(link.string());
    ASSERT_TRUE(host.IsOpen());
    EXPECT_EQ(host.Exchange(Fl(0x400), 3), Ack(2));
    EXPECT_EQ(host.Exchange(Fl(0x440), 3), Ack(2));
    EXPECT_TRUE(host.Exchange(Fl(0x480), 0, 1000).empty());
    EXPECT_TRUE(host.HungUp());
    EXPECT_EQ(sim.WaitLine("closed"), "closed dev1");
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(link)));
    // The port's node is gone, also once the host has let go, and the next terminals opened
    // get other numbers: a host that tries the old path finds nothing rather than a stranger.
    const std::string pty = sim.Ports.at("dev1").Pty;
    host.Close();
    EXPECT_FALSE(std::filesystem::exists(pty));
    std::vector<int> others;
    for (int k = 0; k < 4; ++k) {
        others.push_back(::posix_openpt(O_RDWR | O_NOCTTY));
        ASSERT_GE(others.back(), 0);
        EXPECT_NE(::ptsname(others.back()), pty);
    }
    for (int fd : others) ::close(fd);
    EXPECT_EQ(sim.Stop(), 0); // the simulator itself goes on until told to end
}

} // namespace
} // namespace zev::test
