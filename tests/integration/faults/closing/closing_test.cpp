// Closing the window in the middle of a search and of a programming run, on headless controls
// and on the Qt window (offscreen): the process ends within a second of the close, cleanly, with
// no sanitizer report or crash on its error output, and no device is reset after the run was cut
// short.

#include "datafiles/package_builder.h"
#include "integration/faults/reliability_support.h"
#include "support/temp_file.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace zev {
namespace {

using namespace zev::test;
using Clock = std::chrono::steady_clock;

struct TProbeResult {
    bool Closed = false; // the probe said "closing"
    std::string Said;    // its standard output
    std::string Errors;  // its error output
    int Status = -1;     // exit status; -1 when it had to be killed
    double ExitMs = -1;  // from "closing" to its end
};

// Runs a probe: its standard output through a pipe (to see "closing" at once), its error output
// to a file.
TProbeResult RunProbe(const std::string& pProbe, const std::string& pPhase,
                      const std::string& pPackage, const std::vector<std::string>& pPorts) {
    TProbeResult r;
    int out[2];
    if (::pipe(out) != 0) return r;
    const std::string errors = ScratchPath("probe-errors").string();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    posix_spawn_file_actions_addopen(&actions, 2, errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    std::string ports;
    for (const auto& p : pPorts) ports += (ports.empty() ? "" : ":") + p;
    // Qt wants a private runtime folder; the test's scratch folder is one.
    std::vector<std::string> env = {"ZEV_PORTS=" + ports, "QT_QPA_PLATFORM=offscreen",
                                    "XDG_RUNTIME_DIR=" + ScratchDir().string()};
    for (char** e = environ; *e; ++e) {
        const std::string entry = *e;
        if (entry.rfind("ZEV_PORTS=", 0) != 0 && entry.rfind("QT_QPA_PLATFORM=", 0) != 0 &&
            entry.rfind("XDG_RUNTIME_DIR=", 0) != 0)
            env.push_back(entry);
    }
    std::vector<char*> envp;
    for (auto& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    std::vector<std::string> args = {pProbe, pPhase, pPackage};
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    const int spawned =
        ::posix_spawn(&pid, pProbe.c_str(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    if (spawned != 0) {
        ::close(out[0]);
        return r;
    }

    // Read until the probe closes its output (it ends), or give up after 60 s.
    Clock::time_point closing;
    const auto deadline = Clock::now() + std::chrono::seconds(60);
    char chunk[256];
    for (;;) {
        pollfd p{out[0], POLLIN, 0};
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0 || ::poll(&p, 1, static_cast<int>(left.count())) <= 0) break;
        const ssize_t n = ::read(out[0], chunk, sizeof chunk);
        if (n <= 0) break;
        r.Said.append(chunk, static_cast<std::size_t>(n));
        if (!r.Closed && r.Said.find("closing\n") != std::string::npos) {
            r.Closed = true;
            closing = Clock::now();
        }
    }
    ::close(out[0]);
    int status = 0;
    while (::waitpid(pid, &status, WNOHANG) == 0) {
        if (Clock::now() > deadline) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            r.Errors = ReadWholeFile(errors);
            return r;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    if (r.Closed)
        r.ExitMs = std::chrono::duration<double, std::milli>(Clock::now() - closing).count();
    r.Status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    r.Errors = ReadWholeFile(errors);
    return r;
}

struct TClosingCase {
    std::string Name;
    std::string Probe; // "" when this build has no such probe
    bool Run;
};

void PrintTo(const TClosingCase& pCase, std::ostream* pOut) {
    *pOut << pCase.Name;
}

class Closing : public ::testing::TestWithParam<TClosingCase> {};

TEST_P(Closing, ProcessEndsWithinASecond) {
    const TClosingCase& c = GetParam();
    if (c.Probe.empty()) GTEST_SKIP() << "this build has no Qt window";

    // Two devices the package fits: written slowly, on a paced line, so that the run is long.
    TDemoFirmware demo = TinyFirmware();
    demo.flashSize = 64 * 60;
    const std::string package =
        WriteScratchFile("updater",
                         [&] {
                             const ABytes file = ExecutableWithPackage(MakeDemoPayload(demo));
                             return std::string(file.begin(), file.end());
                         }())
            .string();
    const TKeys slow = {{"timing", "paced"}, {"flash-ms", "20"}};
    DevSimFixture sim;
    std::vector<std::string> ports;
    if (c.Run) {
        sim.Start(SimDevices({OldDevice("A", 0x71, slow), OldDevice("B", 0x72, slow)}));
        ports = {sim.Pty("A"), sim.Pty("B")};
    } else {
        // Searching: one device that never answers keeps its search worker in its session.
        sim.Start(SimDevices({OldDevice("A", 0x71, {{"fault", "silence id"}}),
                              OldDevice("B", 0x72, {{"fault", "silence id"}})}));
        ports = {sim.Pty("A"), sim.Pty("B")};
    }

    const TProbeResult r = RunProbe(c.Probe, c.Run ? "run" : "search", package, ports);
    ASSERT_TRUE(r.Closed) << "the probe did not close its window: " << r.Said << r.Errors;
    EXPECT_EQ(r.Status, 0) << r.Errors;
    EXPECT_GE(r.ExitMs, 0);
    EXPECT_LE(r.ExitMs, 1000) << "the process took too long to end after closing";
    for (const char* report :
         {"Sanitizer", "runtime error", "terminate called", "Assertion", "Segmentation", "Aborted"})
        EXPECT_EQ(r.Errors.find(report), std::string::npos) << r.Errors;
    RecordProperty("exit_ms", static_cast<int>(r.ExitMs));
    std::printf("closing %s: the process ended %.0f ms after the close\n", c.Name.c_str(),
                r.ExitMs);

    // A run cut short leaves no device reset; the lines already written stay written.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    sim.Stop();
    for (const char* name : {"A", "B"}) {
        const TSimDeviceDump dump = sim.ReadDump(name);
        EXPECT_EQ(dump.Count('R'), 0u) << name << " " << dump.Kinds();
        if (c.Run) {
            EXPECT_GE(dump.Count('F'), 1u) << name;
            EXPECT_LT(dump.Count('F'), 60u) << name << ": the run was not cut short";
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Windows, Closing,
    ::testing::Values(TClosingCase{"HeadlessSearch", ZEV_CLOSE_PROBE, false},
                      TClosingCase{"HeadlessRun", ZEV_CLOSE_PROBE, true},
                      TClosingCase{"QtOffscreenSearch", ZEV_CLOSE_PROBE_QT, false},
                      TClosingCase{"QtOffscreenRun", ZEV_CLOSE_PROBE_QT, true}),
    [](const ::testing::TestParamInfo<TClosingCase>& info) { return info.param.Name; });

} // namespace
} // namespace zev
