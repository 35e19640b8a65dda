// Request/answer sessions against a scripted device on a pseudo-terminal. Times are checked with
// wide margins: the poll interval is one millisecond, the margins are tens to hundreds.

#include "comport/port_ctrl.h"
#include "core/error.h"
#include "tests/integration/comport/pty_peer.h"

#include <atomic>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <regex>
#include <termios.h>
#include <unistd.h>

namespace zev {
namespace {

using test::TFakeRoots;
using test::TPeer;
using test::TPty;

const ABytes kRequest = {0xF0, 0x00, 0x99};

// Counts the calls of the answer check; optionally ends the reading once the answer is long
// enough, and rejects shorter answers with an error while reading.
class TProbeCtrl : public TCustomComPortCtrl {
public:
    std::size_t completeAt = 0; // 0: never ends the reading itself
    std::atomic<int> readingChecks{0}, finalChecks{0};

    void CheckRecivedData(const ABytes& Send, const ABytes& Recive, bool& Complite) override {
        if (Complite) {
            ++finalChecks;
            TCustomComPortCtrl::CheckRecivedData(Send, Recive, Complite);
            return;
        }
        ++readingChecks;
        if (completeAt == 0) return;
        if (Recive.size() < completeAt) Raise("short"); // ignored while reading
        Complite = true;
    }
};

void OpenOn(TCustomComPortCtrl& c, const std::string& port) {
    c.Open(port);
    TCPCSetup setup;
    setup.Default(19200, 1);
    c.SetSetup(setup);
}

// Runs the session and returns its duration in ms; the error text (or "") goes to error.
double Timed(const std::function<void()>& session, std::string& error) {
    const double start = PerfMilliseconds();
    error.clear();
    try {
        session();
    } catch (const Error& e) {
        error = e.what();
    }
    return PerfMilliseconds() - start;
}

void WaitFor(const std::function<bool()>& done, double ms) {
    const double until = PerfMilliseconds() + ms;
    while (!done() && PerfMilliseconds() < until) SleepMs(2);
}

class SessionTest : public ::testing::Test {
protected:
    TFakeRoots roots;
    TPty pty;
    std::string port = roots.Link("ttyUSB90", pty.slave());
};

TEST_F(SessionTest, AnUnansweredRequestIsSentAgainWithAPauseAfterEachAttempt) {
    TPeer peer(pty.master(), nullptr);
    TProbeCtrl c;
    OpenOn(c, port);
    TSessionParams sp;
    sp.Init(150, 64, 50, 2, 200);
    sp.Loged = true;
    std::string error;
    const double ms = Timed([&] { c.Session(kRequest, &sp, true); }, error);
    EXPECT_EQ(error, "Нет ответа.");
    EXPECT_EQ(c.LastError(), 0x80000002u);
    EXPECT_GE(ms, 3 * (150 + 200) - 30);
    EXPECT_LT(ms, 3 * (150 + 200) + 1500);
    EXPECT_EQ(c.finalChecks, 1);

    WaitFor([&] { return peer.ReceivedBytes() >= 9; }, 1000);
    const auto received = peer.Received();
    ASSERT_EQ(received.size(), 3u);
    for (std::size_t i = 0; i < received.size(); ++i) {
        EXPECT_EQ(received[i].data, kRequest);
        if (i > 0) {
            EXPECT_GE(received[i].at - received[i - 1].at, 150 + 200 - 30);
        }
    }
    // The trace: the header, then per attempt the write time and the answer's length.
    const std::string trace = c.LogStr();
    EXPECT_EQ(trace.rfind("W3, T50.00-28.67\r\nW", 0), 0u) << trace;
    std::size_t r0 = 0;
    for (auto at = trace.find("\r\nR0"); at != std::string::npos; at = trace.find("\r\nR0", at + 1))
        ++r0;
    EXPECT_EQ(r0, 3u) << trace;
}

TEST_F(SessionTest, PiecesWithShortGapsMakeOneAnswer) {
    TPeer peer(pty.master(), [](TPeer& p, const ABytes&) {
        p.Send({0xF0, 0x03});
        SleepMs(40);
        p.Send({0x01, 0x02});
        SleepMs(40);
        p.Send({0x03, 0xCC});
    });
    TProbeCtrl c;
    OpenOn(c, port);
    TSessionParams sp;
    sp.Init(1000, 64, 300, 0, 0);
    std::string error;
    ABytes answer;
    const double ms = Timed([&] { answer = c.Session(kRequest, &sp, true); }, error);
    EXPECT_EQ(error, "");
    EXPECT_EQ(answer, (ABytes{0xF0, 0x03, 0x01, 0x02, 0x03, 0xCC}));
    EXPECT_GE(ms, 80 + 300 - 10); // the answer ends with the packet gap after the last piece
    EXPECT_GE(c.readingChecks, 2);
}

TEST_F(SessionTest, ASilenceOfThePacketGapEndsTheAnswer) {
    TPeer peer(pty.master(), [](TPeer& p, const ABytes&) {
        p.Send({0xAA, 0xBB});
        SleepMs(800);
        p.Send({0xCC});
    });
    TProbeCtrl c;
    OpenOn(c, port);
    TSessionParams sp;
    sp.Init(1000, 64, 100, 0, 0);
    std::string error;
    ABytes answer;
    const double ms = Timed([&] { answer = c.Session(kRequest, &sp, true); }, error);
    EXPECT_EQ(answer, (ABytes{0xAA, 0xBB}));
    EXPECT_LT(ms, 700);
}

TEST_F(SessionTest, ReadCountEndsTheReading) {
    TPeer peer(pty.master(), [](TPeer& p, const ABytes&) {
        p.Send({1, 2, 3});
        SleepMs(300);
        p.Send({4});
    });
    TProbeCtrl c;
    OpenOn(c, port);
    TSessionParams sp;
    sp.Init(1000, 2, 2000, 0, 0); // the packet gap alone would wait two seconds
    std::string error;
    ABytes answer;
    const double ms = Timed([&] { answer = c.Session(kRequest, &sp, true); }, error);
    EXPECT_EQ(answer, (ABytes{1, 2, 3}));
    EXPECT_LT(ms, 1000);
}

TEST_F(SessionTest, ReadCountZeroEndsAfterTheFirstPoll) {
    TPeer peer(pty.master(), nullptr);
    TProbeCtrl c;
    OpenOn(c, port);
    TSessionParams sp;
    sp.Init(2000, 0, 20, 0, 0);
    std::string error;
    const double ms = Timed([&] { c.Session(kRequest, &sp, true); }, error);
    EXPECT_EQ(error, "Нет ответа.");
    EXPECT_LT(ms, 500);
}

TEST_F(SessionTest, AnOverrideThatSetsCompliteEndsTheReadingAtOnce) {
    TPeer peer(pty.master(), [](TPeer& p, const ABytes&) {
        p.Send({0xF5});
        SleepMs(60);
        p.Send({0x00, 0xAA});
        SleepMs(600);
        p.Send({0x99, 0x99, 0x99});
    });
    TProbeCtrl c;
    c.completeAt = 3;
    OpenOn(c, port);
    TSessionParams sp;
    sp.Init(1000, 64, 1000, 0, 0);
    std::string error;
    ABytes answer;
    const double ms = Timed([&] { answer = c.Session(kRequest, &sp, true); }, error);
    EXPECT_EQ(error, "");
    EXPECT_EQ(answer, (ABytes{0xF5, 0x00, 0xAA}));
    EXPECT_LT(ms, 500);            // neither the late bytes nor the packet gap were waited for
    EXPECT_EQ(c.readingChecks, 2); // the first, short piece was rejected and reading went on
    EXPECT_EQ(c.finalChecks, 1);
}

TEST_F(SessionTest, WithoutAnAnswerWantedThereIsOneAttemptAndNoCheck) {
    TPeer peer(pty.master(), nullptr);
    TProbeCtrl c;
    OpenOn(c, port);
    TSessionParams sp;
    sp.Init(2000, 64, 20, 3, 2000);
    std::string error;
    ABytes answer{1};
    const double ms = Timed([&] { answer = c.Session(kRequest, &sp, false); }, error);
    EXPECT_EQ(error, "");
    EXPECT_TRUE(answer.empty());
    EXPECT_LT(ms, 1000); // no reading (2 s time-out), no pause (2 s), no second attempt
    SleepMs(400);
    EXPECT_EQ(peer.ReceivedBytes(), 3u);
    EXPECT_EQ(c.finalChecks, 0);
    EXPECT_EQ(c.readingChecks, 0);
}

TEST_F(SessionTest, TheControllersOwnParametersServeWhenNoneAreGiven) {
    TPeer peer(pty.master(), [](TPeer& p, const ABytes& piece) { p.Send(piece); });
    TProbeCtrl c;
    OpenOn(c, port);
    TSessionParams sp;
    sp.Init(500, 3, 1000, 0, 0); // ReadCount 3 ends the echo at once
    c.SetSessionParam(sp);
    std::string error;
    ABytes answer;
    const double ms = Timed([&] { answer = c.Session(kRequest, true); }, error);
    EXPECT_EQ(answer, kRequest);
    EXPECT_LT(ms, 700);
}

TEST_F(SessionTest, TheTraceOfOneAnsweredAttempt) {
    TPeer peer(pty.master(), [](TPeer& p, const ABytes&) { p.Send({0xF0, 0x00}); });
    TProbeCtrl c;
    OpenOn(c, port);
    TSessionParams sp;
    sp.Init(1000, 2, 20, 0, 0);
    sp.Loged = true;
    c.Session(kRequest, &sp, true);
    // GTC5B at 19200 baud without a latency timer: 256 * 2000 / 19200 + 2 = 28.67 ms, above
    // the 20 ms between packets.
    const std::regex trace("W3, T28\\.67-28\\.67\r\nW\\d+\\.\\d\\d\r\n *\\d+\\.\\d\\d - +"
                           "\\d+\\.\\d\\d:  2\r\nR2");
    EXPECT_TRUE(std::regex_match(c.LogStr(), trace)) << c.LogStr();

    sp.Loged = false;
    c.Session(kRequest, &sp, true);
    EXPECT_EQ(c.LogStr(), "");
}

TEST_F(SessionTest, AHungUpLineEndsTheSessionInsteadOfHanging) {
    TProbeCtrl c;
    OpenOn(c, port);
    // The device is gone, and so is its node (the link a real port's driver would remove):
    // the terminal's number may already serve another test's terminal.
    pty.CloseMaster();
    std::filesystem::remove(port);
    TSessionParams sp;
    sp.Init(200, 64, 20, 1, 100);
    std::string error;
    const double ms = Timed([&] { c.Session(kRequest, &sp, true); }, error);
    EXPECT_EQ(error, "Нет ответа.");
    EXPECT_EQ(c.LastError(), 0x80000002u);
    EXPECT_LT(ms, 3000);
    // Without an answer wanted the reopen failure itself arrives, with its own code.
    error.clear();
    try {
        c.Session(kRequest, &sp, false);
    } catch (const Error& e) {
        error = e.what();
    }
    EXPECT_EQ(error.rfind("TCustomComPortCtrl.Session: \"", 0), 0u) << error;
    EXPECT_NE(error.find("Подключение не установлено."), std::string::npos) << error;
}

TEST_F(SessionTest, AFailedWriteReopensAndReportsBothErrors) {
    TProbeCtrl c;
    OpenOn(c, port);
    pty.CloseMaster();
    std::filesystem::remove(port);
    TSessionParams sp;
    sp.Init(100, 64, 20, 0, 0);
    std::string error;
    try {
        c.Session(kRequest, &sp, false);
    } catch (const Error& e) {
        error = e.what();
    }
    // The purge fails on the dead line, and opening it again finds no port.
    EXPECT_EQ(error.rfind("TCustomComPortCtrl.Session: \"TBasicComPortCtrl.", 0), 0u) << error;
    EXPECT_NE(error.find("(TBasicComPortCtrl.Open(" + port + ") >> Порт не найден.)\""),
              std::string::npos)
        << error;
    EXPECT_EQ(c.LastError(), 0x80000001u);
    EXPECT_FALSE(c.Opened());
}

// An adapter pulled out and plugged in again: the write fails on the dead line, opening the port
// again succeeds (its name now leads to the new line), and the session goes on there.
TEST_F(SessionTest, AFailedWriteWhoseReopenSucceedsGoesOnOnTheNewLine) {
    TProbeCtrl c;
    OpenOn(c, port);
    pty.CloseMaster();
    std::filesystem::remove(port);
    TPty replugged;
    // The adapter comes back as a raw line: reopening reads the line's settings back and
    // writes none (a fresh terminal would echo the device's answers back to it).
    {
        const int fd = ::open(replugged.slave().c_str(), O_RDWR | O_NOCTTY);
        ASSERT_GE(fd, 0);
        termios t{};
        ::tcgetattr(fd, &t);
        ::cfmakeraw(&t);
        ::tcsetattr(fd, TCSANOW, &t);
        ::close(fd);
    }
    roots.Link("ttyUSB90", replugged.slave());
    TPeer peer(replugged.master(), [](TPeer& p, const ABytes&) { p.Send({0xF5, 0x00, 0xAA}); });
    TSessionParams sp;
    sp.Init(150, 64, 20, 1, 100);
    std::string error;
    ABytes answer;
    Timed([&] { answer = c.Session(kRequest, &sp, true); }, error);
    EXPECT_EQ(error, "");
    EXPECT_EQ(answer, (ABytes{0xF5, 0x00, 0xAA}));
    EXPECT_TRUE(c.Opened());
    // The failed write reached nobody; the attempt read the new line in vain, and the repeat
    // was the one request the device saw.
    EXPECT_EQ(peer.Requests(), 1);
}

TEST(SessionThreads, SeveralControllersRunAtOnceEachOnItsOwnPort) {
    TFakeRoots roots;
    constexpr int kPorts = 4;
    std::vector<std::unique_ptr<TPty>> ptys;
    std::vector<std::unique_ptr<TPeer>> peers;
    std::vector<std::string> ports;
    for (int i = 0; i < kPorts; ++i) {
        ptys.push_back(std::make_unique<TPty>());
        ports.push_back(roots.Link("ttyUSB" + std::to_string(80 + i), ptys.back()->slave()));
        const auto id = static_cast<std::uint8_t>(i);
        peers.push_back(
            std::make_unique<TPeer>(ptys.back()->master(), [id](TPeer& p, const ABytes& piece) {
                SleepMs(5);
                p.Send({0xF0, id, piece.empty() ? std::uint8_t{0} : piece.back()});
            }));
    }
    std::atomic<int> good{0};
    std::vector<std::thread> workers;
    for (int i = 0; i < kPorts; ++i) {
        workers.emplace_back([&, i] {
            TProbeCtrl c;
            c.completeAt = 3;
            OpenOn(c, ports[i]);
            TSessionParams sp;
            sp.Init(1000, 64, 100, 1, 100);
            for (std::uint8_t n = 0; n < 5; ++n) {
                const ABytes answer = c.Session({0xF0, 0x01, n}, &sp, true);
                if (answer == ABytes{0xF0, static_cast<std::uint8_t>(i), n}) ++good;
            }
        });
    }
    for (auto& w : workers) w.join();
    EXPECT_EQ(good, kPorts * 5);
}

} // namespace
} // namespace zev
