// The device side of the bootloader protocol as a host sees it on the pseudo-terminal.

#include "devsim_process.h"
#include "host_port.h"
#include "support/temp_file.h"

#include <gtest/gtest.h>

namespace zev::test {
namespace {

// Data byte k of an answer (after the two header bytes).
std::uint8_t D(const ABytes& answer, std::size_t k) {
    return answer.at(k + 2);
}
std::uint16_t LE16(const ABytes& answer, std::size_t k) {
    return static_cast<std::uint16_t>(D(answer, k) | D(answer, k + 1) << 8);
}

bool WellFormed(const ABytes& answer) {
    return answer.size() >= 3 && answer.size() == static_cast<std::size_t>(answer[1]) + 3 &&
           ABytesCRC8(ABytesCopy(answer, 0, static_cast<std::int32_t>(answer.size() - 1))) ==
               answer.back();
}

TEST(DevSimProtocol, IdentityAnswerCarriesTheConfiguredFields) {
    const auto config = WriteScratchFile("devsim.ini", R"(# a test bench
[defaults]
dBootType = 0x0031
dBlockWrite = 64

[pump]
dBootVersion = 0x0203
dIspolnenie = 7
dPlateIzm = 2
dDate = 2019-11
dAdressInf = 0x0800
dAdressMax = 0x7FFF
dEepromMax = 512
dID = 0x01020304
dVerProg = 1.0A
dBootTypeP = 0x0031
dIspolnenieP = 7
dPlateIzmP = 2
dDateProg = raw:1A13
dEndProg = 0x3FFF
dCSProg = 0x0946
dName = Насос-1
)");
    DevSim sim;
    ASSERT_TRUE(sim.Start({"--config", config.string(), "--set", "dBlockWrite=256"}))
        << sim.Error();
    HostPort host(sim.Ports.at("pump").Pty);
    ASSERT_TRUE(host.IsOpen());
    const ABytes a = host.Exchange(Frame(0), 59);
    ASSERT_EQ(a.size(), 59u);
    EXPECT_TRUE(WellFormed(a));
    EXPECT_EQ(a[0], 0xF0);
    EXPECT_EQ(a[1], 56);
    EXPECT_EQ(LE16(a, 0), 0x0203);
    EXPECT_EQ(LE16(a, 2), 0x0031); // from [defaults]
    EXPECT_EQ(D(a, 4), 2);         // board revision before variant
    EXPECT_EQ(D(a, 5), 7);
    EXPECT_EQ(D(a, 6), 0x19);
    EXPECT_EQ(D(a, 7), 0x11);
    EXPECT_EQ(LE16(a, 8), 0x0400); // word addresses and counts
    EXPECT_EQ(LE16(a, 10), 0x3FFF);
    EXPECT_EQ(LE16(a, 12), 128); // the command line's default after the file's
    EXPECT_EQ(LE16(a, 14), 511);
    EXPECT_EQ(
        (ABytes{D(a, 16), D(a, 17), D(a, 18), D(a, 19), D(a, 20), D(a, 21), D(a, 22), D(a, 23)}),
        (ABytes{1, 0, 2, 0, 3, 0, 4, 0}));
    EXPECT_EQ(LE16(a, 24), 0x3FFF);
    EXPECT_EQ(LE16(a, 26), 0x0946);
    EXPECT_EQ(LE16(a, 28), 0x010A);
    EXPECT_EQ(LE16(a, 30), 0x0031);
    EXPECT_EQ(D(a, 32), 2);
    EXPECT_EQ(D(a, 33), 7);
    EXPECT_EQ(D(a, 34), 0x1A);
    EXPECT_EQ(D(a, 35), 0x13);
    const ABytes name{0xCD, 0xE0, 0xF1, 0xEE, 0xF1, '-', '1', 0, 0, 0}; // Windows-1251
    for (std::size_t k = 0; k < 10; ++k) {
        EXPECT_EQ(D(a, 36 + 2 * k), name[k]) << k;
        EXPECT_EQ(D(a, 37 + 2 * k), 0) << k;
    }
}

TEST(DevSimProtocol, CommandsAreAcknowledgedAndBadFramesGetNoAnswer) {
    DevSim sim;
    ASSERT_TRUE(sim.Start({})) << sim.Error();
    HostPort host(sim.Ports.at("dev1").Pty);
    ASSERT_TRUE(host.IsOpen());
    EXPECT_EQ(host.Exchange(FlashFrame(0x0440, Bytes(64, 1)), 3), Ack(2));
    EXPECT_EQ(host.Exchange(EepromFrame(0x20, Bytes(32, 7)), 3), Ack(1));
    EXPECT_EQ(host.Exchange(Frame(3), 3), (ABytes{0xF3, 0x00, 0xCC}));

    ABytes badCrc = Frame(0);
    badCrc.back() ^= 0x01;
    ABytes badFlash = FlashFrame(0x0400, Bytes(64, 9));
    badFlash[10] ^= 0x80;
    for (const ABytes& bad : {badCrc, badFlash, Frame(5), Frame(2, {0x00})}) {
        EXPECT_TRUE(host.Exchange(bad, 0, 300).empty()) << ABytesToText(bad, " ", true);
    }
    // Noise before a frame is skipped; the frame is answered.
    ABytes noisy{0x00, 0x13, 0x7F};
    ABytes id = Frame(0);
    noisy.insert(noisy.end(), id.begin(), id.end());
    const ABytes a = host.Exchange(noisy, 59);
    EXPECT_EQ(a.size(), 59u);
    EXPECT_TRUE(WellFormed(a));
    // A frame cut short is dropped after a pause, and the device listens again.
    host.Send({0xF2, 0x42, 0x00});
    EXPECT_TRUE(host.Receive(0, 300).empty());
    EXPECT_EQ(host.Exchange(Frame(3), 3), Ack(3));
}

TEST(DevSimProtocol, ResetReadsTheInformationRecordAgain) {
    DevSim sim;
    ASSERT_TRUE(sim.Start({"-d", "boiler", "--set", "dVerProg=1.00", "--set", "dName=OLD"}))
        << sim.Error();
    HostPort host(sim.Ports.at("boiler").Pty);
    ASSERT_TRUE(host.IsOpen());
    ABytes before = host.Exchange(Frame(0), 59);
    ASSERT_EQ(before.size(), 59u);
    EXPECT_EQ(LE16(before, 28), 0x0100);

    // A new program: its record is the first 32 bytes of the line at 0x0400.
    ABytes line(64, 0xFF);
    const ABytes record{0xFF, 0x3F, 0x46, 0x09, 0x05, 0x02, 0x2A, 0x00, 3, 4, 0x21,
                        0x05, 'N',  0,    'E',  0,    'W',  0,    0,    0, 0, 0,
                        0,    0,    0,    0,    0,    0,    0,    0,    0, 0};
    std::copy(record.begin(), record.end(), line.begin());
    ASSERT_EQ(host.Exchange(FlashFrame(0x0400, line), 3), Ack(2));
    ABytes stillOld = host.Exchange(Frame(0), 59);
    ASSERT_EQ(stillOld.size(), 59u);
    EXPECT_EQ(LE16(stillOld, 28), 0x0100); // read only when the bootloader starts
    EXPECT_EQ(D(stillOld, 36), 'O');

    ASSERT_EQ(host.Exchange(Frame(3), 3), Ack(3));
    ABytes after = host.Exchange(Frame(0), 59);
    ASSERT_EQ(after.size(), 59u);
    EXPECT_EQ(ABytesCopy(after, 2 + 24, 32), record); // EP .. TX as written
    EXPECT_EQ(LE16(after, 28), 0x0205);
    EXPECT_EQ(LE16(after, 30), 0x002A);
    EXPECT_EQ(D(after, 32), 3);
    EXPECT_EQ(D(after, 33), 4);
    EXPECT_EQ(LE16(after, 0), LE16(before, 0)); // the bootloader's own fields stay
    EXPECT_EQ(ABytesCopy(after, 2, 24), ABytesCopy(before, 2, 24));
}

TEST(DevSimProtocol, ServesHostsThatOpenAndCloseThePortManyTimes) {
    DevSim sim;
    ASSERT_TRUE(sim.Start({"--paced"})) << sim.Error();
    const std::string pty = sim.Ports.at("dev1").Pty;
    for (int round = 0; round < 25; ++round) {
        // Every other such round starts after the simulator has seen the last host leave, so
        // this host opens, writes and closes between two of its looks at a closed port.
        if (round % 10 == 9) ::usleep(30000);
        HostPort host(pty);
        ASSERT_TRUE(host.IsOpen()) << round;
        if (round % 5 == 4) {
            host.Send(FlashFrame(0x0400, Bytes(64, 0))); // closed before the answer comes
            host.Close();
            ::usleep(100000); // the answer falls due meanwhile and must not reach the next host
            continue;
        }
        ASSERT_EQ(host.Exchange(Frame(0), 59).size(), 59u) << round;
    }
    EXPECT_EQ(sim.Stop(), 0);
}

} // namespace
} // namespace zev::test
