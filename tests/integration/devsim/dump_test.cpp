// What a device received and its memory, written on request and on exit.

#include "devsim_process.h"
#include "host_port.h"
#include "support/temp_file.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <memory>
#include <sstream>

namespace zev::test {
namespace {

// The monotonic clock in milliseconds, as the simulator's times are given.
double SteadyMs() {
    return std::chrono::duration<double, std::milli>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);) lines.push_back(l);
    return lines;
}

// The text form of a line to write: four hex digits of the address, ":", the bytes.
std::string LineText(char kind, std::uint16_t address, const ABytes& data) {
    char head[16];
    std::snprintf(head, sizeof head, "%c %04X:", kind, address);
    return head + ABytesToText(data, "", true);
}

TEST(DevSimDump, RecordsEveryRequestAndTheMemory) {
    const auto dir = ScratchPath("dump");
    DevSim sim;
    ASSERT_TRUE(sim.Start({"-d", "unit7", "--fault", "drop flash n=2", "--dump", dir.string()}))
        << sim.Error();
    HostPort host(sim.Ports.at("unit7").Pty);
    ASSERT_TRUE(host.IsOpen());
    const double startMs = SteadyMs();

    const ABytes line0 = Bytes(64, 0x10);
    const ABytes line1 = Bytes(64, 0x80, 3);
    const ABytes ee0 = Bytes(32, 0xA0);
    const ABytes ee1 = Bytes(5, 0x01);
    ASSERT_EQ(host.Exchange(Frame(0), 59).size(), 59u);
    ASSERT_EQ(host.Exchange(FlashFrame(0x0400, line0), 3), Ack(2));
    ASSERT_TRUE(host.Exchange(FlashFrame(0x0440, line1), 0, 300).empty()); // dropped
    ASSERT_EQ(host.Exchange(FlashFrame(0x0440, line1), 3), Ack(2));        // the retry
    ABytes bad = EepromFrame(0x00, ee0);
    bad.back() ^= 0xFF;
    ASSERT_TRUE(host.Exchange(bad, 0, 300).empty());
    ASSERT_EQ(host.Exchange(EepromFrame(0x00, ee0), 3), Ack(1));
    ASSERT_EQ(host.Exchange(EepromFrame(0xFE, ee1), 3), Ack(1)); // runs past the end: wraps
    ASSERT_EQ(host.Exchange(Frame(3), 3), Ack(3));

    sim.Signal(SIGUSR1);
    ASSERT_EQ(sim.WaitLine("dumped"), "dumped " + dir.string());
    const std::vector<std::string> expected{
        "I",
        LineText('F', 0x0400, line0),
        LineText('F', 0x0440, line1) + " fault=drop",
        LineText('F', 0x0440, line1),
        "X " + ABytesToText(bad, " ", true) + " bad-crc",
        LineText('E', 0x0000, ee0),
        LineText('E', 0x00FE, ee1),
        "R",
    };
    EXPECT_EQ(Lines(ReadWholeFile(dir / "unit7.log")), expected);

    // When each request came in, on the host's clock, in the log's order.
    const double endMs = SteadyMs();
    const std::vector<std::string> times = Lines(ReadWholeFile(dir / "unit7.times"));
    ASSERT_EQ(times.size(), expected.size());
    double last = startMs;
    for (std::size_t i = 0; i < times.size(); ++i) {
        std::istringstream line(times[i]);
        double at = 0;
        char kind = 0;
        line >> at >> kind;
        EXPECT_EQ(kind, expected[i][0]) << times[i];
        EXPECT_GE(at, last) << times[i];
        EXPECT_LE(at, endMs) << times[i];
        last = at;
    }

    const std::string flash = ReadWholeFile(dir / "unit7.flash.bin");
    ASSERT_EQ(flash.size(), 65536u);
    EXPECT_EQ(ABytes(flash.begin() + 0x400, flash.begin() + 0x440), line0);
    EXPECT_EQ(ABytes(flash.begin() + 0x440, flash.begin() + 0x480), line1);
    EXPECT_EQ(static_cast<std::uint8_t>(flash[0x3FF]), 0xFF);
    EXPECT_EQ(static_cast<std::uint8_t>(flash[0x480]), 0xFF);

    const std::string eeprom = ReadWholeFile(dir / "unit7.eeprom.bin");
    ASSERT_EQ(eeprom.size(), 256u);
    EXPECT_EQ(ABytes(eeprom.begin() + 3, eeprom.begin() + 32), ABytesCopy(ee0, 3, 29));
    EXPECT_EQ(static_cast<std::uint8_t>(eeprom[0xFE]), 1);
    EXPECT_EQ(static_cast<std::uint8_t>(eeprom[0xFF]), 2);
    EXPECT_EQ(static_cast<std::uint8_t>(eeprom[0x00]), 3); // wrapped over the start
    EXPECT_EQ(static_cast<std::uint8_t>(eeprom[0x02]), 5);

    const std::vector<std::string> mem = Lines(ReadWholeFile(dir / "unit7.mem"));
    ASSERT_EQ(mem.size(), 1024u + 8u);
    EXPECT_EQ(mem[0x400 / 64], LineText('F', 0x0400, line0));
    EXPECT_EQ(mem[0x440 / 64], LineText('F', 0x0440, line1));
    EXPECT_EQ(mem[1024], LineText('E', 0x0000, ABytes(eeprom.begin(), eeprom.begin() + 32)));
    EXPECT_EQ(mem[1031], LineText('E', 0x00E0, ABytes(eeprom.begin() + 0xE0, eeprom.end())));

    // On exit the dump is written again, with what came since.
    ASSERT_EQ(host.Exchange(Frame(0), 59).size(), 59u);
    EXPECT_EQ(sim.Stop(), 0);
    const std::vector<std::string> final = Lines(ReadWholeFile(dir / "unit7.log"));
    ASSERT_EQ(final.size(), expected.size() + 1);
    EXPECT_EQ(final.back(), "I");
}

TEST(DevSimDump, EveryDeviceHasItsOwnFiles) {
    const auto dir = ScratchPath("dump-many");
    DevSim sim;
    ASSERT_TRUE(sim.Start({"-n", "3", "--dump", dir.string()})) << sim.Error();
    ASSERT_EQ(sim.Ports.size(), 3u);
    for (const char* name : {"dev1", "dev2", "dev3"}) {
        HostPort host(sim.Ports.at(name).Pty);
        ASSERT_EQ(host.Exchange(FlashFrame(0x1000, Bytes(64, name[3])), 3), Ack(2)) << name;
    }
    EXPECT_EQ(sim.Stop(), 0);
    for (const char* name : {"dev1", "dev2", "dev3"}) {
        EXPECT_EQ(Lines(ReadWholeFile(dir / (std::string(name) + ".log"))),
                  std::vector<std::string>{LineText('F', 0x1000, Bytes(64, name[3]))});
    }
}

// NAME.answers: "DUE LAST_DUE BYTES WRITTEN WRITES FIRST_WRITE LAST_WRITE LONGEST_PAUSE LATEST
// BLOCKED HUNG_UP".
struct AnswerLine {
    double Due = 0, LastDue = 0;
    std::size_t Bytes = 0, Written = 0, Writes = 0;
    double FirstWrite = 0, LastWrite = 0, LongestPause = 0, Latest = 0;
    int Blocked = 0, HungUp = 0;
};

std::vector<AnswerLine> Answers(const std::filesystem::path& file) {
    std::vector<AnswerLine> answers;
    std::istringstream in(ReadWholeFile(file));
    AnswerLine a;
    while (in >> a.Due >> a.LastDue >> a.Bytes >> a.Written >> a.Writes >> a.FirstWrite >>
           a.LastWrite >> a.LongestPause >> a.Latest >> a.Blocked >> a.HungUp)
        answers.push_back(a);
    return answers;
}

// A dump asked for while answers go out: writing it for many devices takes far longer than a
// host waits in silence for an answer's next byte (100 ms while searching), so it must not hold
// the lines. A host that is reading gets its answer on the line's own schedule all the same.
TEST(DevSimDump, AnswersGoOnWhileADumpIsWritten) {
    const auto dir = ScratchPath("dump-busy");
    DevSim sim;
    ASSERT_TRUE(sim.Start({"--paced", "-n", "256", "--dump", dir.string()})) << sim.Error();
    const std::vector<std::string> names = {"dev001", "dev128", "dev256"};
    std::vector<std::unique_ptr<HostPort>> hosts;
    for (const std::string& name : names) {
        hosts.push_back(std::make_unique<HostPort>(sim.Ports.at(name).Pty));
        ASSERT_TRUE(hosts.back()->IsOpen()) << name;
    }
    for (int round = 0; round < 3; ++round) {
        for (const auto& host : hosts) ASSERT_TRUE(host->Send(Frame(0)));
        sim.Signal(SIGUSR1);
        for (std::size_t k = 0; k < hosts.size(); ++k)
            EXPECT_EQ(hosts[k]->Receive(59).size(), 59u) << names[k] << ", round " << round;
        ASSERT_EQ(sim.WaitLine("dumped", 60000), "dumped " + dir.string()) << round;
    }
    ASSERT_EQ(sim.Stop(60000), 0);

    for (const std::string& name : names) {
        const std::vector<AnswerLine> answers = Answers(dir / (name + ".answers"));
        ASSERT_EQ(answers.size(), 3u) << name;
        for (const AnswerLine& a : answers) {
            EXPECT_EQ(a.Bytes, 59u) << name;
            EXPECT_EQ(a.Written, 59u) << name;
            EXPECT_GE(a.Writes, 1u) << name;
            // 58 byte times at 19200 baud (10 bits a byte) between the first and the last.
            EXPECT_NEAR(a.LastDue - a.Due, 58 * 10000.0 / 19200, 0.01) << name;
            EXPECT_LE(a.FirstWrite, a.LastWrite) << name;
            EXPECT_EQ(a.HungUp, 0) << name;
            // A dump of 256 devices written in the loop holds every line for as long as it
            // takes (a quarter of a second on an idle machine, seconds on a loaded one); the
            // loop's own lateness under load stays well below.
            EXPECT_LT(a.Latest, 200.0) << name << ": a byte went out that late";
            EXPECT_LT(a.LongestPause, 200.0) << name << ": the answer paused that long";
        }
    }
}

} // namespace
} // namespace zev::test
