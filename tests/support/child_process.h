#pragma once
// A program run as a child process by a test or a benchmark: its standard output read line by
// line, its standard error collected, its end awaited within a time limit, and what it used.

#include <chrono>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace zev::test {

// Milliseconds from now to the deadline, 0 once it has passed.
inline int MsLeft(std::chrono::steady_clock::time_point pDeadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                          pDeadline - std::chrono::steady_clock::now())
                          .count();
    return left > 0 ? static_cast<int>(left) : 0;
}

// What a child used over its whole life.
struct TChildUsage {
    double CpuSec = 0; // user + system
    long MaxRssKb = 0;
};

class ChildProcess {
public:
    ChildProcess() = default;
    // A child still running is killed.
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Starts pArgv[0] with the rest as its arguments and standard input from /dev/null, in this
    // process's environment with the NAME=VALUE entries of pEnv set; false with the reason in
    // pWhy when it cannot be started.
    bool Start(const std::vector<std::string>& pArgv, std::string& pWhy,
               const std::vector<std::string>& pEnv = {});
    bool Running() const { return FPid > 0; }
    // Its process id while it runs (-1 before and after).
    pid_t Pid() const { return FPid; }

    // The next line of its standard output, without the newline; false when the output has
    // ended or the time ran out first.
    bool ReadLine(std::string& pLine, int pTimeoutMs);
    void Signal(int pSignal);
    // Waits for the end: its exit status, -1 when a signal ended it, nothing when the time ran
    // out first (it is still running then).
    std::optional<int> Wait(int pTimeoutMs);
    // SIGKILL and wait; the pipes are closed.
    void Kill();

    // What it wrote to its standard error so far.
    std::string Stderr();
    // What it used, once it has ended.
    const TChildUsage& Usage() const { return FUsage; }

private:
    void DrainStderr();
    void ClosePipes();

    pid_t FPid = -1;
    int FOut = -1;
    int FErr = -1;
    std::string FOutBuffer;
    std::string FErrText;
    TChildUsage FUsage;
};

// Runs a shell command and returns its standard output (empty when it cannot be started).
std::string ShellOutput(const std::string& pCommand);

} // namespace zev::test
