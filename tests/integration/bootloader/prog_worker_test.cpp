// The programming worker against simulated devices: what reaches the device, the progress and
// the result, and the failures that must leave a device unreset.

#include "prog_fixture.h"
#include "worker_harness.h"

#include <gtest/gtest.h>

namespace zev::test {
namespace {

using ProgWorker = WorkerTest;
using Codes = std::vector<std::uint16_t>;
using Percents = std::vector<std::uint32_t>;

TEST_F(ProgWorker, WritesEveryLineInOrderThenResetsOnce) {
    DevSimFixture sim;
    sim.Start(SimTarget("dev", 0x0A0B0C0D));
    const auto flash = TinyFlash();
    const auto eeprom = TinyEeprom();
    TWorkerRun run;
    StartProg(run, 5, sim.Pty("dev"), Found(0x0A0B0C0D), flash, eeprom);
    ASSERT_TRUE(WaitGone(run));

    EXPECT_EQ(run.Codes(true),
              (Codes{evStarted, evProgress, evProgress, evProgress, evProgress, evDone}));
    EXPECT_EQ(run.Progress(), (Percents{0, 33, 67, 100}));
    for (const TSeenEvent& e : run.Events) {
        EXPECT_EQ(ProgEventIndex(e.wParam), 5);
        if (ProgEventCode(e.wParam) != evProgress) {
            EXPECT_EQ(e.lParam, 0u);
        }
    }
    EXPECT_EQ(run.Last().DevID.dID, 0x0A0B0C0D) << "the identity read before writing";
    EXPECT_EQ(run.Last().Error, "");

    sim.Stop();
    const TSimDeviceDump dump = sim.ReadDump("dev");
    EXPECT_EQ(dump.Kinds(), "IFFFER");
    ExpectWritten(dump, *flash, *eeprom);
}

TEST_F(ProgWorker, ProgressOfFourFlashLinesAndOfASingleLine) {
    DevSimFixture sim;
    sim.Start(SimDevices({SimTarget("four", 1), SimTarget("one", 2), SimTarget("none", 3)}));
    TWorkerRun four, one, none;
    StartProg(
        four, 0, sim.Pty("four"), Found(1),
        Lines({Line(0x400, 64, 1), Line(0x440, 64, 2), Line(0x480, 64, 3), Line(0x4C0, 64, 4)}),
        nullptr);
    StartProg(one, 1, sim.Pty("one"), Found(2), nullptr, Lines({Line(0x10, 8, 5)}));
    StartProg(none, 2, sim.Pty("none"), Found(3), Lines({}), nullptr);
    ASSERT_TRUE(WaitGone({&four, &one, &none}));
    EXPECT_EQ(four.Progress(), (Percents{0, 33, 67, 100}));
    EXPECT_EQ(four.Codes(true).back(), evDone);
    EXPECT_EQ(one.Progress(), (Percents{100}));
    EXPECT_EQ(one.Codes(true).back(), evDone);
    // No lines at all: no progress, but the identity is read and the device reset.
    EXPECT_EQ(none.Codes(true), (Codes{evStarted, evDone}));
    sim.Stop();
    EXPECT_EQ(sim.ReadDump("four").Kinds(), "IFFFFR");
    EXPECT_EQ(sim.ReadDump("one").Kinds(), "IER");
    EXPECT_EQ(sim.ReadDump("none").Kinds(), "IR");
}

TEST_F(ProgWorker, LinesThatFailTwiceAreStillWritten) {
    // Line 0400 loses its answer twice (a whole exchange of two sends), line 0440 gets
    // malformed answers twice, and so does line 7FC0 after it (a fresh count per line).
    DevSimFixture sim;
    sim.Start(SimTarget("dev", 9,
                        {{"fault", "nibble flash addr=0x440 first=2"},
                         {"fault", "short flash addr=0x7FC0 first=2"},
                         {"fault", "drop flash addr=0x400 first=2"}}));
    const auto flash = TinyFlash();
    const auto eeprom = TinyEeprom();
    TWorkerRun run;
    StartProg(run, 0, sim.Pty("dev"), Found(9), flash, eeprom);
    ASSERT_TRUE(WaitGone(run));
    EXPECT_EQ(run.Codes(true).back(), evDone);
    EXPECT_EQ(run.Progress(), (Percents{0, 33, 67, 100})) << "one event per written line";
    sim.Stop();
    const TSimDeviceDump dump = sim.ReadDump("dev");
    EXPECT_EQ(dump.Kinds(), "IFFFFFFFFFER");
    EXPECT_EQ(dump.Count('R'), 1u);
    for (std::size_t k = 0; k < flash->size(); ++k)
        EXPECT_EQ(dump.FlashAt((*flash)[k].A, 64), (*flash)[k].D);
}

struct LineFailure {
    const char* fault;
    std::uint32_t language;
    const char* error;
    const char* kinds;
};

TEST_F(ProgWorker, ALineFailingThreeTimesEndsTheJobWithoutReset) {
    const LineFailure cases[] = {
        {"nibble flash addr=0x440", kLangEnglish, "update error 0xF001", "IFFFF"},
        {"short flash addr=0x7FC0", kLangRussian, "ошибка обновления 0xF002", "IFFFFF"},
        {"nibble eeprom", kLangEnglish, "update error 0xE000", "IFFFEEE"},
    };
    for (const LineFailure& c : cases) {
        SCOPED_TRACE(c.fault);
        CurrentLanguage = c.language;
        DevSimFixture sim;
        sim.Start(SimTarget("dev", 4, {{"fault", c.fault}}));
        TWorkerRun run;
        StartProg(run, 0, sim.Pty("dev"), Found(4), TinyFlash(), TinyEeprom());
        ASSERT_TRUE(WaitGone(run));
        EXPECT_EQ(run.Codes(true).back(), evFailed);
        EXPECT_EQ(run.Last().Error, c.error);
        sim.Stop();
        EXPECT_EQ(sim.ReadDump("dev").Kinds(), c.kinds) << "lines before stay written, no reset";
    }
}

TEST_F(ProgWorker, ADeviceFallingSilentFailsWithTheLineNumber) {
    DevSimFixture sim;
    sim.Start(SimTarget("dev", 4, {{"fault", "silence flash after=2"}}));
    TWorkerRun run;
    StartProg(run, 0, sim.Pty("dev"), Found(4), TinyFlash(), TinyEeprom());
    ASSERT_TRUE(WaitGone(run, 60000));
    EXPECT_EQ(run.Codes(true), (Codes{evStarted, evProgress, evProgress, evFailed}));
    EXPECT_EQ(run.Last().Error, "update error 0xF002");
    // Three attempts of two sends, each waiting 750 ms and pausing 1000 ms: about 10.5 s.
    EXPECT_GE(run.Last().At, 10000);
    sim.Stop();
    const TSimDeviceDump dump = sim.ReadDump("dev");
    EXPECT_EQ(dump.Kinds(), "IFFFFFFFF");
    EXPECT_EQ(dump.Count('R'), 0u);
}

TEST_F(ProgWorker, AnUnansweredResetFailsTheJob) {
    DevSimFixture sim;
    sim.Start(SimTarget("dev", 4, {{"fault", "drop reset"}}));
    TWorkerRun run;
    StartProg(run, 0, sim.Pty("dev"), Found(4), TinyFlash(), TinyEeprom());
    ASSERT_TRUE(WaitGone(run));
    EXPECT_EQ(run.Codes(true).back(), evFailed);
    EXPECT_EQ(run.Last().Error, "");
    EXPECT_EQ(run.Progress(), (Percents{0, 33, 67, 100}));
    sim.Stop();
    EXPECT_EQ(sim.ReadDump("dev").Kinds(), "IFFFERR") << "one exchange of two sends";
}

TEST_F(ProgWorker, AnotherDeviceOnThePortGetsNothing) {
    // The search found Found(...) on the port; the device there now differs in one field.
    DevSimFixture sim;
    sim.Start(SimTarget("dev", 0x77,
                        {{"dBootTypeP", "0x1A"}, {"dIspolnenieP", "2"}, {"dPlateIzmP", "3"}}));
    const TLormanBootLoaderDevID others[] = {Found(0x78, 0x1A, 2, 3), Found(0x77, 0x1B, 2, 3),
                                             Found(0x77, 0x1A, 1, 3), Found(0x77, 0x1A, 2, 4)};
    for (const TLormanBootLoaderDevID& expected : others) {
        TWorkerRun run;
        StartProg(run, 0, sim.Pty("dev"), expected, TinyFlash(), TinyEeprom());
        ASSERT_TRUE(WaitGone(run));
        EXPECT_EQ(run.Codes(true), (Codes{evStarted, evFailed}));
        EXPECT_EQ(run.Last().Error, "update error");
        EXPECT_EQ(run.Last().DevID.dID, 0x77);
    }
    // The same device with another firmware version is written.
    TLormanBootLoaderDevID same = Found(0x77, 0x1A, 2, 3);
    same.dVerProg = 0x0999;
    TWorkerRun run;
    StartProg(run, 0, sim.Pty("dev"), same, nullptr, nullptr);
    ASSERT_TRUE(WaitGone(run));
    EXPECT_EQ(run.Codes(true).back(), evDone);
    sim.Stop();
    EXPECT_EQ(sim.ReadDump("dev").Kinds(), "IIIIIR");
}

TEST_F(ProgWorker, WithoutAnExpectedIdentityNothingIsWritten) {
    DevSimFixture sim;
    sim.Start(SimTarget("dev", 1));
    TWorkerRun run;
    auto* w = new TWatched<TLormanProgBootLoaderThreadCtrl>(run.Gone);
    w->SetSEvent(
        [&run](TCustomThreadCtrl* s, std::uint32_t wp, std::uint32_t lp, std::uint32_t& res) {
            TSeenEvent e;
            e.wParam = wp;
            e.lParam = lp;
            e.Error = static_cast<TLormanProgBootLoaderThreadCtrl*>(s)->Error();
            run.Events.push_back(e);
            res = 0;
        });
    w->SetParams(0, sim.Pty("dev"));
    w->SetData(TinyFlash(), TinyEeprom());
    w->ThreadBegin();
    ASSERT_TRUE(WaitGone(run));
    EXPECT_EQ(run.Codes(true), (Codes{evStarted, evFailed}));
    EXPECT_EQ(run.Last().Error, "update error");
    sim.Stop();
    EXPECT_EQ(sim.ReadDump("dev").Kinds(), "I");
}

TEST_F(ProgWorker, NoIdentityOrNoPortFailsBeforeWriting) {
    DevSimFixture sim;
    sim.Start(SimTarget("short", 1, {{"fault", "idlen len=40"}}));
    struct Case {
        std::string port;
        const char* error;
    };
    const Case cases[] = {{sim.Pty("short"), "device is not responding"},
                          {"/dev/zev-no-such-port", "device is not available"}};
    for (const Case& c : cases) {
        TWorkerRun run;
        StartProg(run, 0, c.port, Found(1), TinyFlash(), TinyEeprom());
        ASSERT_TRUE(WaitGone(run));
        EXPECT_EQ(run.Codes(true), (Codes{evStarted, evFailed}));
        EXPECT_EQ(run.Last().Error, c.error);
    }
    sim.Stop();
    EXPECT_EQ(sim.ReadDump("short").Kinds(), "I");
}

TEST_F(ProgWorker, ARefusedProgressEventCountsAsAFailedLine) {
    DevSimFixture sim;
    sim.Start(SimTarget("dev", 1));
    TWorkerRun run;
    int progress = 0;
    run.Answer = [&](const TSeenEvent& e) -> std::uint32_t {
        if (ProgEventCode(e.wParam) == evProgress && ++progress >= 2) return ResBreak;
        return 0;
    };
    StartProg(run, 0, sim.Pty("dev"), Found(1), TinyFlash(), TinyEeprom());
    ASSERT_TRUE(WaitGone(run));
    EXPECT_EQ(run.Progress(), (Percents{0, 33, 33, 33}));
    EXPECT_EQ(run.Codes(true).back(), evFailed);
    EXPECT_EQ(run.Last().Error, "update error 0xF001");
    sim.Stop();
    EXPECT_EQ(sim.ReadDump("dev").Kinds(), "IFFFF");
}

TEST_F(ProgWorker, StoppingMidWriteReportsFailedAndDoesNotReset) {
    DevSimFixture sim;
    sim.Start(SimTarget("dev", 1));
    TWorkerRun run;
    TLormanProgBootLoaderThreadCtrl* worker = nullptr;
    run.Answer = [&](const TSeenEvent& e) -> std::uint32_t {
        if (ProgEventCode(e.wParam) == evProgress && e.lParam == 33) worker->ThreadEnd();
        return 0;
    };
    worker = StartProg(run, 0, sim.Pty("dev"), Found(1), TinyFlash(), TinyEeprom());
    ASSERT_TRUE(WaitGone(run));
    EXPECT_EQ(run.Codes(true), (Codes{evStarted, evProgress, evProgress, evFailed}));
    sim.Stop();
    EXPECT_EQ(sim.ReadDump("dev").Kinds(), "IFF");
}

TEST_F(ProgWorker, TerminationMidWriteStopsWithoutResetAndWithoutWaiting) {
    DevSimFixture sim;
    sim.Start(SimTarget("dev", 1));
    TWorkerRun run;
    double terminatedAt = 0;
    run.Answer = [&](const TSeenEvent& e) -> std::uint32_t {
        if (ProgEventCode(e.wParam) == evProgress && e.lParam == 33) {
            SetApplicationTerminating(true); // the window is closing
            terminatedAt = PerfMilliseconds();
        }
        return 0;
    };
    StartProg(run, 0, sim.Pty("dev"), Found(1), TinyFlash(), TinyEeprom());
    ASSERT_TRUE(WaitGone(run));
    // It ends at its next check: no further line, no reset (the dump below), and no wait for
    // the closing window, which would keep it far longer than a second.
    EXPECT_LT(PerfMilliseconds() - terminatedAt, 1000) << "the worker waited after the close";
    // The final event no longer reaches the closing window.
    EXPECT_EQ(run.Codes(true), (Codes{evStarted, evProgress, evProgress}));
    sim.Stop();
    EXPECT_EQ(sim.ReadDump("dev").Kinds(), "IFF");
}

} // namespace
} // namespace zev::test
