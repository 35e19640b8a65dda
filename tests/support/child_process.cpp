#include "support/child_process.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace zev::test {

namespace {

using Clock = std::chrono::steady_clock;

} // namespace

ChildProcess::~ChildProcess() {
    Kill();
}

bool ChildProcess::Start(const std::vector<std::string>& pArgv, std::string& pWhy,
                         const std::vector<std::string>& pEnv) {
    if (FPid > 0) {
        pWhy = "already running";
        return false;
    }
    if (pArgv.empty()) {
        pWhy = "no program";
        return false;
    }
    ClosePipes();
    FOutBuffer.clear();
    FErrText.clear();
    FUsage = {};
    int out[2], err[2];
    if (::pipe2(out, O_CLOEXEC) != 0) {
        pWhy = std::string("pipe: ") + std::strerror(errno);
        return false;
    }
    if (::pipe2(err, O_CLOEXEC) != 0) {
        pWhy = std::string("pipe: ") + std::strerror(errno);
        ::close(out[0]);
        ::close(out[1]);
        return false;
    }
    std::vector<std::string> words = pArgv;
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
    std::vector<std::string> env = pEnv;
    for (char** e = environ; *e; ++e) {
        const std::string entry = *e;
        const std::string name = entry.substr(0, entry.find('=') + 1);
        bool replaced = false;
        for (const std::string& own : pEnv) replaced = replaced || own.rfind(name, 0) == 0;
        if (!replaced) env.push_back(entry);
    }
    std::vector<char*> envp;
    for (std::string& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, err[1], STDERR_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    pid_t pid = -1;
    const int rc = ::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    ::close(err[1]);
    FOut = out[0];
    FErr = err[0];
    ::fcntl(FErr, F_SETFL, O_NONBLOCK);
    if (rc != 0) {
        pWhy = "cannot run " + pArgv[0] + ": " + std::strerror(rc);
        ClosePipes();
        return false;
    }
    FPid = pid;
    return true;
}

bool ChildProcess::ReadLine(std::string& pLine, int pTimeoutMs) {
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(pTimeoutMs);
    for (;;) {
        const std::size_t nl = FOutBuffer.find('\n');
        if (nl != std::string::npos) {
            pLine = FOutBuffer.substr(0, nl);
            FOutBuffer.erase(0, nl + 1);
            return true;
        }
        if (FOut < 0) return false;
        const int left = MsLeft(deadline);
        if (left == 0) return false;
        pollfd p{FOut, POLLIN, 0};
        const int ready = ::poll(&p, 1, left);
        if (ready < 0 && errno != EINTR) return false;
        if (ready <= 0) continue;
        char chunk[4096];
        const ssize_t n = ::read(FOut, chunk, sizeof chunk);
        if (n <= 0) {
            if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
            ::close(FOut);
            FOut = -1;
            continue;
        }
        FOutBuffer.append(chunk, static_cast<std::size_t>(n));
        DrainStderr();
    }
}

void ChildProcess::Signal(int pSignal) {
    if (FPid > 0) ::kill(FPid, pSignal);
}

std::optional<int> ChildProcess::Wait(int pTimeoutMs) {
    if (FPid <= 0) return -1;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(pTimeoutMs);
    for (;;) {
        int status = 0;
        rusage ru{};
        const pid_t done = ::wait4(FPid, &status, WNOHANG, &ru);
        if (done == FPid) {
            FUsage.CpuSec = static_cast<double>(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) +
                            static_cast<double>(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
            FUsage.MaxRssKb = ru.ru_maxrss;
            FPid = -1;
            DrainStderr();
            return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        }
        if (done < 0 && errno != EINTR) { // not our child any more
            FPid = -1;
            DrainStderr();
            return -1;
        }
        if (MsLeft(deadline) == 0) return std::nullopt;
        DrainStderr();
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

void ChildProcess::Kill() {
    if (FPid > 0) {
        ::kill(FPid, SIGKILL);
        int status = 0;
        while (::waitpid(FPid, &status, 0) < 0 && errno == EINTR) {
        }
        FPid = -1;
    }
    DrainStderr();
    ClosePipes();
}

std::string ChildProcess::Stderr() {
    DrainStderr();
    return FErrText;
}

void ChildProcess::DrainStderr() {
    if (FErr < 0) return;
    char chunk[4096];
    for (;;) {
        const ssize_t n = ::read(FErr, chunk, sizeof chunk);
        if (n > 0) {
            FErrText.append(chunk, static_cast<std::size_t>(n));
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n == 0) {
            ::close(FErr);
            FErr = -1;
        }
        return;
    }
}

void ChildProcess::ClosePipes() {
    if (FOut >= 0) ::close(FOut);
    if (FErr >= 0) ::close(FErr);
    FOut = FErr = -1;
}

std::string ShellOutput(const std::string& pCommand) {
    std::string out;
    if (FILE* pipe = ::popen(pCommand.c_str(), "r")) {
        char chunk[512];
        std::size_t n;
        while ((n = std::fread(chunk, 1, sizeof chunk, pipe)) > 0) out.append(chunk, n);
        ::pclose(pipe);
    }
    return out;
}

} // namespace zev::test
