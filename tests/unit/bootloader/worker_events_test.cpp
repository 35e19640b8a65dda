#include "bootloader/session_profiles.h"
#include "bootloader/worker_events.h"

#include <gtest/gtest.h>

#include <vector>

namespace zev::test {
namespace {

std::vector<std::uint32_t> Percentages(std::int64_t lines) {
    std::vector<std::uint32_t> out;
    for (std::int64_t k = 0; k < lines; ++k) out.push_back(ProgressPercent(k, lines - 1));
    return out;
}

TEST(ProgressPercent, FirstLineIsZeroAndLastIsHundred) {
    EXPECT_EQ(Percentages(4), (std::vector<std::uint32_t>{0, 33, 67, 100}));
    EXPECT_EQ(Percentages(2), (std::vector<std::uint32_t>{0, 100}));
    EXPECT_EQ(Percentages(7), (std::vector<std::uint32_t>{0, 17, 33, 50, 67, 83, 100}));
    const std::vector<std::uint32_t> whole = Percentages(504);
    EXPECT_EQ(whole.front(), 0u);
    EXPECT_EQ(whole.back(), 100u);
    for (std::size_t k = 1; k < whole.size(); ++k) EXPECT_LE(whole[k - 1], whole[k]);
}

TEST(ProgressPercent, HalvesGoToTheEvenNeighbour) {
    EXPECT_EQ(ProgressPercent(1, 8), 12u);    // 12.5
    EXPECT_EQ(ProgressPercent(27, 200), 14u); // 13.5
    EXPECT_EQ(ProgressPercent(3, 8), 38u);    // 37.5
    EXPECT_EQ(ProgressPercent(5, 8), 62u);    // 62.5
    EXPECT_EQ(ProgressPercent(1, 200), 0u);   // 0.5
    EXPECT_EQ(ProgressPercent(2, 3), 67u);    // 66.67
}

TEST(ProgressPercent, ASingleLineReportsHundred) {
    EXPECT_EQ(ProgressPercent(0, 0), 100u);
    EXPECT_EQ(Percentages(1), (std::vector<std::uint32_t>{100}));
}

TEST(ProgEvents, IndexInBits16To23AndCodeInTheLowWord) {
    EXPECT_EQ(PackProgEvent(0, evStarted), 0u);
    EXPECT_EQ(PackProgEvent(5, evProgress), 0x00050001u);
    EXPECT_EQ(PackProgEvent(255, evFailed), 0x00FF0003u);
    EXPECT_EQ(ProgEventIndex(0x00FF0003u), 255);
    EXPECT_EQ(ProgEventCode(0x00FF0003u), evFailed);
    EXPECT_EQ(ProgEventCode(PackProgEvent(7, evDone)), 2);
}

TEST(SessionProfiles, SearchAndProgrammingValues) {
    const TSessionParams s = SearchSessionProfile();
    EXPECT_EQ(s.TimeOut, 300u);
    EXPECT_EQ(s.ReadCount, 64u);
    EXPECT_EQ(s.BetPacks, 100u);
    EXPECT_EQ(s.Dublicate, 2u);
    EXPECT_EQ(s.DublWait, 400u);
    EXPECT_FALSE(s.Loged);
    const TSessionParams p = ProgSessionProfile();
    EXPECT_EQ(p.TimeOut, 750u);
    EXPECT_EQ(p.ReadCount, 64u);
    EXPECT_EQ(p.BetPacks, 100u);
    EXPECT_EQ(p.Dublicate, 1u);
    EXPECT_EQ(p.DublWait, 1000u);
    EXPECT_FALSE(p.Loged);
    // 19200 baud 8N1, binary, no flow control.
    const TCPCSetup setup = BootPortSetup();
    EXPECT_EQ(setup.DCB.BaudRate, 19200u);
    EXPECT_EQ(setup.DCB.ByteSize, 8);
    EXPECT_EQ(setup.DCB.Parity, 0);
    EXPECT_EQ(setup.DCB.StopBits, 0);
    EXPECT_EQ(setup.DCB.Flags, 1u);
}

} // namespace
} // namespace zev::test
