// Every kind of device fault at every phase of an update, through the whole window flow: the
// search finds a device that needs the package, "Next" writes it with a real programming
// worker, and the simulated device misbehaves at one point. Each case checks the row's result,
// the worker's failure text, and what the device was sent and holds. A device whose update did
// not complete is never shown as updated, and never reset after an incomplete write.

#include "integration/faults/reliability_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <string>
#include <vector>

namespace zev {
namespace {

using namespace zev::test;

// Where the fault strikes: the programming worker's identity request (the search's comes
// first and is left alone), the first and the last flash line, the first EEPROM line, the reset.
enum class TPhase { Identity, FirstFlash, LastFlash, Eeprom, Reset };

struct TFaultCase {
    std::string Name;
    TPhase Phase;
    std::vector<std::string> Faults; // zev-devsim fault keys
    bool Succeeds;
    std::string Error;         // the worker's failure text at the end ("" for none)
    std::size_t PhaseRequests; // requests the device gets at the phase (0: not checked)
};

// The case's name in test listings.
void PrintTo(const TFaultCase& pCase, std::ostream* pOut) {
    *pOut << pCase.Name;
}

// The tiny package's lines: flash 0x400, 0x440, 0x480, EEPROM 0x00, 0x20.
constexpr std::size_t kLines = 5;

const char* PhaseName(TPhase pPhase) {
    switch (pPhase) {
    case TPhase::Identity:
        return "Identity";
    case TPhase::FirstFlash:
        return "FirstFlash";
    case TPhase::LastFlash:
        return "LastFlash";
    case TPhase::Eeprom:
        return "Eeprom";
    case TPhase::Reset:
        return "Reset";
    }
    return "?";
}

// The command and line of a phase, as zev-devsim selects requests.
std::string Target(TPhase pPhase) {
    switch (pPhase) {
    case TPhase::Identity:
        return "id";
    case TPhase::FirstFlash:
        return "flash addr=0x400";
    case TPhase::LastFlash:
        return "flash addr=0x480";
    case TPhase::Eeprom:
        return "eeprom addr=0x00";
    case TPhase::Reset:
        return "reset";
    }
    return "";
}

bool IsLine(TPhase pPhase) {
    return pPhase != TPhase::Identity && pPhase != TPhase::Reset;
}

// The index of the phase's line among all lines, and its failure text.
std::size_t LineIndex(TPhase pPhase) {
    switch (pPhase) {
    case TPhase::FirstFlash:
        return 0;
    case TPhase::LastFlash:
        return 2;
    case TPhase::Eeprom:
        return 3;
    default:
        return 0;
    }
}
std::string LineError(TPhase pPhase) {
    switch (pPhase) {
    case TPhase::FirstFlash:
        return "update error 0xF000";
    case TPhase::LastFlash:
        return "update error 0xF002";
    case TPhase::Eeprom:
        return "update error 0xE000";
    default:
        return "";
    }
}

// The text a failure at this phase leaves: the identity's, a line's, or none for the reset.
std::string FailureText(TPhase pPhase) {
    if (pPhase == TPhase::Identity) return "device is not responding";
    return LineError(pPhase);
}

std::vector<TFaultCase> Cases() {
    const std::vector<TPhase> phases = {TPhase::Identity, TPhase::FirstFlash, TPhase::LastFlash,
                                        TPhase::Eeprom, TPhase::Reset};
    std::vector<TFaultCase> cases;
    for (TPhase p : phases) {
        const std::string t = Target(p);
        // The identity's first request is the search's: the faults start at the second.
        const std::string always = p == TPhase::Identity ? " after=1" : "";
        const std::string first = p == TPhase::Identity ? " n=2" : " n=1";
        const std::size_t sends = 2; // one session of the programming profile
        const std::size_t attempts = IsLine(p) ? 3 : 1;

        // One lost answer: the session sends the request again and the update goes on.
        cases.push_back({"DroppedAnswer", p, {"drop " + t + first}, true, "", 2});
        // Three lost answers in a row: a line is tried again and succeeds; the identity and the
        // reset have only their one session and fail.
        if (IsLine(p)) {
            cases.push_back(
                {"RepeatedDrops", p, {"drop " + t + " first=3"}, true, LineError(p), 4});
        } else {
            const std::string at = p == TPhase::Identity ? "id n=" : "reset n=";
            const int k = p == TPhase::Identity ? 2 : 1;
            cases.push_back(
                {"RepeatedDrops",
                 p,
                 {"drop " + at + std::to_string(k), "drop " + at + std::to_string(k + 1),
                  "drop " + at + std::to_string(k + 2)},
                 false,
                 FailureText(p),
                 2});
        }
        // Answers that never come, or come malformed, every time.
        cases.push_back({p == TPhase::Reset ? "UnansweredReset" : "NeverAnswered",
                         p,
                         {"drop " + t + always},
                         false,
                         FailureText(p),
                         attempts * sends});
        cases.push_back(
            {"WrongNibble", p, {"nibble " + t + always}, false, FailureText(p), attempts});
        cases.push_back(
            {"ShortAnswer", p, {"short " + t + always}, false, FailureText(p), attempts});
        cases.push_back({"Noise", p, {"noise " + t + always}, false, FailureText(p), attempts});
        // The device falls silent, or its port disappears, at the phase.
        cases.push_back({"Silence", p, {"silence " + t + first}, false, FailureText(p), 0});
        cases.push_back({"PtyClosed", p, {"close " + t + first}, false, FailureText(p), 0});
    }
    // An identity answer that is a complete frame but too short to hold the identity.
    cases.push_back({"ShortIdentity",
                     TPhase::Identity,
                     {"idlen len=40 after=1"},
                     false,
                     "device is not responding",
                     1});
    return cases;
}

// Requests of the phase in the device's log.
std::size_t PhaseRequests(const TSimDeviceDump& pDump, TPhase pPhase,
                          const std::vector<TLineRef>& pLines) {
    if (pPhase == TPhase::Identity) return pDump.Count('I') - 1; // less the search's
    if (pPhase == TPhase::Reset) return pDump.Count('R');
    const TLineRef& line = pLines[LineIndex(pPhase)];
    const auto& r = pDump.Requests;
    return static_cast<std::size_t>(std::count_if(r.begin(), r.end(), [&](const TSimRequest& q) {
        return q.Kind == line.Kind && q.Address == line.Address;
    }));
}

class FaultMatrix : public ::testing::TestWithParam<TFaultCase> {};

TEST_P(FaultMatrix, RowWorkerAndDeviceAgree) {
    const TFaultCase& c = GetParam();
    const TDemoFirmware demo = TinyFirmware();
    const std::vector<TLineRef> lines = PackageLines(demo);
    ASSERT_EQ(lines.size(), kLines);

    TKeys faults;
    for (const std::string& f : c.Faults) faults.push_back({"fault", f});
    DevSimFixture sim;
    sim.Start(OldDevice("DEV", 0x51, faults));
    const std::string port = sim.Pty("DEV");

    AppWindow app;
    PortsEnv::Set({port});
    app.CreateWithPayload(MakeDemoPayload(demo));
    const auto log = std::make_shared<TWorkerLog>();
    app.Window->SetWorkerFactory(LoggedWorkers(log));
    ASSERT_TRUE(app.WaitForRows(20000)) << "the device was not found";
    HeadlessDeviceRow* row = app.RowOfPort(port);
    ASSERT_NE(row, nullptr);
    ASSERT_TRUE(row->Checked()) << "an older device is ticked";

    const double started = PerfMilliseconds();
    ASSERT_TRUE(app.Ui.btnProg.Click());
    ASSERT_TRUE(app.WaitForRunEnd(ProgWorkerBoundMs(kLines))) << "the run did not end";
    const double took = PerfMilliseconds() - started;
    ASSERT_TRUE(app.RunUntil([&] { return log->AllEnded(); }, 5000)) << "a worker is left";

    // The row and the status line: success only for a complete update.
    EXPECT_FALSE(row->RowEnabled);
    if (c.Succeeds) {
        EXPECT_EQ(row->Line(1), "   update successful");
        EXPECT_EQ(row->Color, clGreen);
        EXPECT_EQ(app.Ui.lblState.Text, "Completed successfully");
    } else {
        EXPECT_EQ(row->Line(1), "   update error");
        EXPECT_EQ(row->Color, clRed);
        EXPECT_EQ(app.Ui.lblState.Text, "update error");
        EXPECT_EQ(app.Ui.lblState.Color, clRed);
    }
    // The bar reached its end only when every line was written.
    const auto& positions = app.Ui.pgbMain.Positions;
    const int top = positions.empty() ? 0 : *std::max_element(positions.begin(), positions.end());
    if (c.Succeeds || c.Phase == TPhase::Reset) {
        EXPECT_EQ(top, 1000);
    } else {
        EXPECT_LT(top, 1000);
    }

    // The worker's own account.
    std::vector<TWorkerEnd> ends;
    const TWorkerEnd* worker = log->Prog(port, ends);
    ASSERT_NE(worker, nullptr) << "no programming worker ended";
    EXPECT_EQ(worker->Error, c.Error);
    EXPECT_LE(worker->EndedMs - worker->CreatedMs, ProgWorkerBoundMs(kLines));

    // What the device got: the lines up to the failing one, in order, and a reset only after
    // the last line.
    sim.Stop();
    const TSimDeviceDump dump = sim.ReadDump("DEV");
    if (c.PhaseRequests != 0) {
        EXPECT_EQ(PhaseRequests(dump, c.Phase, lines), c.PhaseRequests);
    }
    const std::string kinds = dump.Kinds();
    if (c.Succeeds || c.Phase == TPhase::Reset) {
        ExpectLinesSent(dump, lines, kLines, false);
        ASSERT_GE(dump.Count('R'), 1u) << kinds;
        EXPECT_EQ(kinds.back(), 'R') << kinds;
        EXPECT_EQ(kinds.find('R'), kinds.find_last_not_of('R') + 1) << "reset before the end";
    } else {
        EXPECT_EQ(dump.Count('R'), 0u) << "a device was reset after an incomplete write: " << kinds;
        const std::size_t sent = c.Phase == TPhase::Identity ? 0 : LineIndex(c.Phase) + 1;
        ExpectLinesSent(dump, lines, sent, true);
    }
    RecordProperty("run_ms", static_cast<int>(took));
}

INSTANTIATE_TEST_SUITE_P(Faults, FaultMatrix, ::testing::ValuesIn(Cases()),
                         [](const ::testing::TestParamInfo<TFaultCase>& info) {
                             return std::string(PhaseName(info.param.Phase)) + "_" +
                                    info.param.Name;
                         });

} // namespace
} // namespace zev
