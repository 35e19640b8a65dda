#include "core/error.h"
#include "platform/timing.h"
#include "test_worker.h"
#include "threads/main_thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>

namespace zev::test {
namespace {

using Steps = std::vector<std::string>;
using Errors = std::vector<std::pair<int, std::string>>;

class ThreadCtrl : public ::testing::Test {
protected:
    void TearDown() override { SetApplicationTerminating(false); }

    TestWorker* Make() { return new TestWorker(journal); }

    // Serves the worker's calls until it has deleted itself.
    bool WaitDestroyed(double ms = 10000) {
        return loop.ProcessUntil([&] { return journal->Destroyed.load(); }, ms);
    }

    HeadlessLoop loop;
    MainThreadScope scope{&loop};
    std::shared_ptr<Journal> journal = std::make_shared<Journal>();
};

TEST_F(ThreadCtrl, BreakRunsTheJobOnceThenTheAfterStepAndTheWorkerDeletesItself) {
    TestWorker* w = Make(); // the default repeat step raises "BREAK"
    w->ThreadBegin();
    ASSERT_TRUE(WaitDestroyed());
    EXPECT_EQ(journal->StepsCopy(), (Steps{"before", "repeat", "after"}));
    EXPECT_TRUE(journal->ErrorsCopy().empty());
}

TEST_F(ThreadCtrl, ContinueAndOtherErrorsGoOnWithTheNextPass) {
    TestWorker* w = Make();
    int pass = 0;
    w->Repeat = [&](TestWorker&) {
        ++pass;
        if (pass <= 2) Raise(kContinue);
        if (pass == 3) Raise("boom");
        if (pass == 4) throw std::runtime_error("std error");
        Raise(kBreak);
    };
    w->ThreadBegin();
    ASSERT_TRUE(WaitDestroyed());
    EXPECT_EQ(journal->StepsCopy(),
              (Steps{"before", "repeat", "repeat", "repeat", "repeat", "repeat", "after"}));
    EXPECT_EQ(journal->ErrorsCopy(),
              (Errors{{2, "boom\r\n    TCustomThreadCtrl.ExecRepeat"},
                      {2, "std error\r\n    TCustomThreadCtrl.ExecRepeat"}}));
}

TEST_F(ThreadCtrl, FailuresReachExecErrorWithTheirStageAndIndentedTrace) {
    struct Case {
        const char* name;
        std::function<void(TestWorker&)> setup;
        Steps steps;
        Errors errors;
    };
    const Case cases[] = {
        {"before fails",
         [](TestWorker& w) { w.Before = [](TestWorker&) { Raise("0x0100"); }; },
         {"before"},
         {{1, "0x0100\r\n    TCustomThreadCtrl.ExecBefore\r\n    TCustomThreadCtrl.Execute"}}},
        {"after fails",
         [](TestWorker& w) { w.After = [](TestWorker&) { Raise("late"); }; },
         {"before", "repeat", "after"},
         {{3, "late\r\n    TCustomThreadCtrl.ExecAfter\r\n    TCustomThreadCtrl.Execute"}}},
        {"ExecError itself fails inside the loop",
         [](TestWorker& w) {
             w.Repeat = [](TestWorker&) { Raise("first"); };
             w.Error = [](std::uint8_t stage, const std::string&) {
                 if (stage == 2) Raise("again");
             };
         },
         {"before", "repeat"},
         {{2, "first\r\n    TCustomThreadCtrl.ExecRepeat"},
          {0, "again\r\n    TCustomThreadCtrl.Execute"}}},
        {"something that is not an exception class",
         [](TestWorker& w) { w.Before = [](TestWorker&) { throw 42; }; },
         {"before"},
         {{1,
           "unknown error\r\n    TCustomThreadCtrl.ExecBefore\r\n    TCustomThreadCtrl.Execute"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        journal = std::make_shared<Journal>();
        TestWorker* w = Make();
        c.setup(*w);
        w->ThreadBegin();
        ASSERT_TRUE(WaitDestroyed());
        EXPECT_EQ(journal->StepsCopy(), c.steps);
        EXPECT_EQ(journal->ErrorsCopy(), c.errors);
    }
}

TEST_F(ThreadCtrl, ThreadEndBeforeThreadBeginSkipsTheLoop) {
    TestWorker* w = Make();
    w->ThreadEnd();
    EXPECT_TRUE(w->Stoped());
    w->ThreadBegin();
    ASSERT_TRUE(WaitDestroyed());
    EXPECT_EQ(journal->StepsCopy(), (Steps{"before", "after"}));
}

TEST_F(ThreadCtrl, AStopRequestOrTerminationEndsARunningLoopAtItsNextCheck) {
    for (bool terminate : {false, true}) {
        SCOPED_TRACE(terminate ? "application terminating" : "ThreadEnd");
        SetApplicationTerminating(false);
        journal = std::make_shared<Journal>();
        TestWorker* w = Make();
        std::atomic<int> passes{0};
        std::atomic<bool> stopedInAfter{false};
        w->Repeat = [&](TestWorker&) {
            ++passes;
            SleepMs(1);
            Raise(kContinue);
        };
        w->After = [&](TestWorker& self) { stopedInAfter = self.Stoped(); };
        w->ThreadBegin();
        ASSERT_TRUE(loop.ProcessUntil([&] { return passes >= 3; }, 10000));
        if (terminate)
            SetApplicationTerminating();
        else
            w->ThreadEnd(); // the worker is still running: it cannot end without a request
        ASSERT_TRUE(WaitDestroyed());
        EXPECT_TRUE(stopedInAfter);
        const Steps steps = journal->StepsCopy();
        ASSERT_GE(steps.size(), 5u);
        EXPECT_EQ(steps.front(), "before");
        EXPECT_EQ(steps.back(), "after");
        EXPECT_TRUE(journal->ErrorsCopy().empty());
    }
}

TEST_F(ThreadCtrl, DueActionsRunBeforeTheRepeatStepAndAFailingOneIsReported) {
    TestWorker* w = Make();
    // Action 1 falls due well after the thread has started and run the two due ones, also on a
    // slow machine or under an emulator.
    w->Actions()->Insert(300, 1, 0);
    w->Actions()->Insert(0, 2, 0);
    w->Actions()->Insert(0, 3, 0);
    std::atomic<int> actions{0};
    w->Action = [&](TestWorker&, TThreadCtrlAction& a) {
        ++actions;
        if (a.Code == 3) Raise("act");
    };
    w->Repeat = [&](TestWorker&) {
        if (actions == 3) Raise(kBreak);
        SleepMs(1);
    };
    w->ThreadBegin();
    ASSERT_TRUE(WaitDestroyed());
    const Steps steps = journal->StepsCopy();
    ASSERT_GE(steps.size(), 6u);
    EXPECT_EQ((Steps{steps.begin(), steps.begin() + 4}),
              (Steps{"before", "action 2", "action 3", "repeat"}));
    EXPECT_EQ((Steps{steps.end() - 3, steps.end()}), (Steps{"action 1", "repeat", "after"}));
    EXPECT_EQ(journal->ErrorsCopy(), (Errors{{4, "act\r\n    TCustomThreadCtrl.ExecAction"}}));
}

TEST_F(ThreadCtrl, CallbackResultDecidesWhatCallSEventDoes) {
    struct Case {
        const char* name;
        bool setCallback;
        std::function<void(std::uint32_t&)> callback;
        std::string outcome;
    };
    const Case cases[] = {
        {"no callback", false, nullptr, "BREAK"},
        {"Res untouched", true, [](std::uint32_t&) {}, "BREAK"},
        {"ResContinue", true, [](std::uint32_t& r) { r = ResContinue; }, "CONTINUE"},
        {"zero", true, [](std::uint32_t& r) { r = 0; }, "returned 0"},
        {"ordinary value", true, [](std::uint32_t& r) { r = 0x12345; }, "returned 74565"},
        {"raises after setting", true,
         [](std::uint32_t& r) {
             r = 5;
             Raise("callback failed");
         },
         "returned 5"},
        {"raises before setting", true, [](std::uint32_t&) { Raise("callback failed"); }, "BREAK"},
    };
    const auto mainId = std::this_thread::get_id();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        journal = std::make_shared<Journal>();
        TestWorker* w = Make();
        int calls = 0;
        bool goodArgs = false;
        if (c.setCallback) {
            w->SetSEvent([&, w](TCustomThreadCtrl* sender, std::uint32_t wp, std::uint32_t lp,
                                std::uint32_t& res) {
                ++calls;
                goodArgs = sender == w && wp == 7 && lp == 0xFFFFFFFFu && res == ResBreak &&
                           std::this_thread::get_id() == mainId;
                c.callback(res);
            });
        }
        w->Repeat = [&](TestWorker& self) {
            std::string outcome;
            try {
                outcome = "returned " + std::to_string(self.CallSEvent(7, 0xFFFFFFFFu));
            } catch (const Error& e) {
                outcome = e.what();
            }
            journal->Add(outcome);
            Raise(kBreak);
        };
        w->ThreadBegin();
        ASSERT_TRUE(WaitDestroyed());
        EXPECT_EQ(journal->StepsCopy(), (Steps{"before", "repeat", c.outcome, "after"}));
        EXPECT_EQ(calls, c.setCallback ? 1 : 0);
        if (c.setCallback) {
            EXPECT_TRUE(goodArgs);
        }
    }
}

TEST_F(ThreadCtrl, TerminationReleasesAWorkerWhoseCallIsQueuedAndTheCallNeverRuns) {
    TestWorker* w = Make();
    int calls = 0;
    w->SetSEvent([&](TCustomThreadCtrl*, std::uint32_t, std::uint32_t, std::uint32_t& res) {
        ++calls;
        res = 0;
    });
    w->Repeat = [&](TestWorker& self) {
        try {
            self.CallSEvent(1, 2);
            journal->Add("returned");
        } catch (const Error& e) {
            journal->Add(e.what());
        }
        Raise(kBreak);
    };
    w->ThreadBegin();
    // Do not serve the call: the worker waits for the main thread.
    const double start = PerfMilliseconds();
    while (!loop.HasPendingCalls() && PerfMilliseconds() - start < 10000) SleepMs(1);
    ASSERT_TRUE(loop.HasPendingCalls());
    SetApplicationTerminating();
    ASSERT_TRUE(WaitDestroyed()); // would run the call if it were still queued
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(journal->StepsCopy(), (Steps{"before", "repeat", "BREAK", "after"}));

    // Once terminating, a call returns at once without reaching the main thread.
    journal = std::make_shared<Journal>();
    TestWorker* late = Make();
    late->SetSEvent([&](TCustomThreadCtrl*, std::uint32_t, std::uint32_t, std::uint32_t& res) {
        ++calls;
        res = 0;
    });
    late->Before = [](TestWorker& self) { self.CallSEvent(1, 2); };
    late->ThreadBegin();
    while (!journal->Destroyed && PerfMilliseconds() - start < 20000) SleepMs(1);
    ASSERT_TRUE(journal->Destroyed);
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(
        journal->ErrorsCopy(),
        (Errors{
            {1, "BREAK\r\n    TCustomThreadCtrl.ExecBefore\r\n    TCustomThreadCtrl.Execute"}}));
}

TEST_F(ThreadCtrl, ACallbackAlreadyRunningWhenTerminationBeginsIsWaitedFor) {
    TestWorker* w = Make();
    w->SetSEvent([&](TCustomThreadCtrl*, std::uint32_t, std::uint32_t, std::uint32_t& res) {
        SetApplicationTerminating(); // the window closes while handling the event
        SleepMs(20);
        res = 9;
    });
    w->Repeat = [&](TestWorker& self) {
        journal->Add("returned " + std::to_string(self.CallSEvent(1, 2)));
    };
    w->ThreadBegin();
    ASSERT_TRUE(WaitDestroyed());
    // The result came back, and the loop then ended because the application is terminating.
    EXPECT_EQ(journal->StepsCopy(), (Steps{"before", "repeat", "returned 9", "after"}));
}

TEST_F(ThreadCtrl, SetAEventTakesTheMainWindowWhenGivenNone) {
    struct Window : HeadlessLoop {
        std::uintptr_t MainWindowHandle() const override { return 0x1234; }
    } window;
    MainThreadScope withWindow(&window);
    auto w = std::make_unique<TestWorker>(journal); // never started: its creator deletes it
    EXPECT_EQ(w->MsgEvent(), 0xFFFFFFFFu);
    EXPECT_EQ(w->MsgForm(), 0u);
    w->SetAEvent(0x400, 0);
    EXPECT_EQ(w->MsgEvent(), 0x400u);
    EXPECT_EQ(w->MsgForm(), 0x1234u);
    w->SetAEvent(0x401, 77);
    EXPECT_EQ(w->MsgForm(), 77u);
    EXPECT_FALSE(w->Stoped());
}

TEST_F(ThreadCtrl, ASecondThreadBeginIsRefused) {
    TestWorker* w = Make();
    std::atomic<bool> go{false};
    w->Before = [&](TestWorker&) {
        while (!go) SleepMs(1); // keeps the worker alive while the test uses it
    };
    w->ThreadBegin();
    EXPECT_THROW(w->ThreadBegin(), Error);
    go = true;
    ASSERT_TRUE(WaitDestroyed());
    EXPECT_EQ(journal->StepsCopy(), (Steps{"before", "repeat", "after"}));
}

} // namespace
} // namespace zev::test
