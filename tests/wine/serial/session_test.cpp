// Request/answer sessions and the session log on mapped ports. Times have wide margins.

#include "comport/detail/session_log.h"
#include "comport/port_ctrl.h"
#include "core/error.h"
#include "core/utf8_path.h"
#include "platform/system.h"
#include "platform/timing.h"
#include "tests/support/error_of.h"
#include "tests/wine/serial/bench.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <thread>

namespace zev {
namespace {

const ABytes kRequest = {0xF0, 0x00, 0x99};

void OpenOn(TCustomComPortCtrl& c, const std::string& port) {
    c.Open(port);
    TCPCSetup setup;
    setup.Default(19200, 1);
    c.SetSetup(setup);
    c.ClearBuffers(true, true);
}

// The number of bytes the silent peer received since the last query.
std::uint32_t SilentPeerCount(TCustomComPortCtrl& c) {
    TSessionParams sp;
    sp.Init(1000, 4, 50, 0, 0);
    const ABytes answer = c.Session({bench::kQuery}, &sp, true);
    EXPECT_EQ(answer.size(), 4u);
    return answer.size() == 4 ? ABytesGetLong(answer, 0) : 0xFFFFFFFFu;
}

TEST(WineSession, TheAnswerComesBackWhole) {
    TCustomComPortCtrl c;
    OpenOn(c, bench::AnswerPort());
    TSessionParams sp;
    sp.Init(500, 64, 30, 0, 0);
    EXPECT_EQ(c.Session(kRequest, &sp, true), bench::AnswerOf(kRequest));
    // The read count ends the reading as soon as that many bytes are in.
    sp.ReadCount = 3;
    const ABytes longer = {1, 2, 3, 4, 5, 6, 7, 8};
    const ABytes answer = c.Session(longer, &sp, true);
    EXPECT_GE(answer.size(), 3u);
    EXPECT_EQ(ABytes(answer.begin(), answer.begin() + 3), ABytes({2, 3, 4}));
}

TEST(WineSession, AnUnansweredRequestIsRepeatedThenFailsWithoutHanging) {
    TCustomComPortCtrl c;
    OpenOn(c, bench::SilentPort());
    ASSERT_EQ(SilentPeerCount(c), 0u);
    TSessionParams sp;
    sp.Init(150, 64, 30, 2, 100);
    const double start = PerfMilliseconds();
    EXPECT_EQ(test::ErrorOf([&] { c.Session(kRequest, &sp, true); }), "Нет ответа.");
    const double ms = PerfMilliseconds() - start;
    EXPECT_EQ(c.LastError(), TCustomComPortCtrl::kErrorNoAnswer);
    // Three attempts of 150 ms with 100 ms after each.
    EXPECT_GE(ms, 3 * 150.0 * 0.9);
    EXPECT_LT(ms, 3 * 250.0 + 2000.0);
    // The peer got the request once per attempt.
    EXPECT_EQ(SilentPeerCount(c), 3 * kRequest.size());
    // Without an answer wanted there is one attempt and no error.
    EXPECT_TRUE(c.Session(kRequest, &sp, false).empty());
    EXPECT_EQ(SilentPeerCount(c), kRequest.size());
}

TEST(WineSession, ControllersOnTwoPortsRunAtOnce) {
    std::string errors[2];
    int answered = 0;
    int silent = 0;
    std::thread a([&] {
        try {
            TCustomComPortCtrl c;
            OpenOn(c, bench::AnswerPort());
            TSessionParams sp;
            sp.Init(500, 3, 30, 0, 0);
            for (int i = 0; i < 20; ++i)
                if (c.Session(kRequest, &sp, true) == bench::AnswerOf(kRequest)) ++answered;
        } catch (const std::exception& e) {
            errors[0] = e.what();
        }
    });
    std::thread b([&] {
        try {
            TCustomComPortCtrl c;
            OpenOn(c, bench::SilentPort());
            TSessionParams sp;
            sp.Init(50, 3, 30, 0, 0);
            for (int i = 0; i < 5; ++i)
                if (test::ErrorOf([&] { c.Session(kRequest, &sp, true); }) == "Нет ответа.")
                    ++silent;
        } catch (const std::exception& e) {
            errors[1] = e.what();
        }
    });
    a.join();
    b.join();
    EXPECT_EQ(errors[0], "");
    EXPECT_EQ(errors[1], "");
    EXPECT_EQ(answered, 20);
    EXPECT_EQ(silent, 5);
}

TEST(WineSession, TheSessionLogIsWrittenBesideTheProgram) {
    const std::string exe = os::ExecutablePath();
    ASSERT_FALSE(exe.empty());
    EXPECT_TRUE(std::filesystem::exists(Utf8Path(exe))) << exe;
    EXPECT_EQ(LogFolder(), os::ExecutableFolder() + "/Log");
    EXPECT_FALSE(os::UserDataFolder().empty());

    TCustomComPortCtrl c;
    OpenOn(c, bench::AnswerPort());
    const auto file = Utf8Path(DailyLogFileName(LogFolder(), c.PortName()));
    std::filesystem::remove(file);
    c.SetLog(true);
    TSessionParams sp;
    sp.Init(500, 3, 30, 0, 0);
    c.Session(kRequest, &sp, true);
    c.SetLog(false);

    std::ifstream in(file, std::ios::binary);
    ASSERT_TRUE(in) << file.string();
    std::stringstream text;
    text << in.rdbuf();
    in.close();
    std::filesystem::remove(file);
    EXPECT_NE(text.str().find(">> F0 00 99 << F1 01 9A [0-"), std::string::npos) << text.str();
    EXPECT_EQ(text.str().substr(text.str().size() - 2), "\r\n");
}

} // namespace
} // namespace zev
