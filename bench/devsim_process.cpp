#include "bench/devsim_process.h"

#include "core/error.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sstream>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace zev::bench {

namespace {

using Clock = std::chrono::steady_clock;

int MsLeft(Clock::time_point pDeadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(pDeadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

} // namespace

TDevSimProcess::TDevSimProcess(std::string pPath) : FPath(std::move(pPath)) {}

TDevSimProcess::~TDevSimProcess() {
    Kill();
}

void TDevSimProcess::Start(const std::vector<std::string>& pArgs, int pTimeoutMs) {
    if (FPid > 0) Raise("zev-devsim is already running");
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0) Raise(std::string("pipe: ") + std::strerror(errno));

    std::vector<std::string> words{FPath, "--die-with-parent"};
    words.insert(words.end(), pArgs.begin(), pArgs.end());
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    pid_t pid = -1;
    const int rc = ::posix_spawn(&pid, FPath.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeFds[1]);
    if (rc != 0) {
        ::close(pipeFds[0]);
        Raise("cannot start " + FPath + ": " + std::strerror(rc));
    }
    FPid = pid;
    FOut = pipeFds[0];
    FNames.clear();
    FPorts.clear();

    const auto deadline = Clock::now() + std::chrono::milliseconds(pTimeoutMs);
    std::string line;
    while (ReadLine(line, MsLeft(deadline))) {
        if (line == "ready") return;
        std::istringstream words(line);
        std::string kind, name, pty;
        if (words >> kind >> name >> pty && kind == "device") {
            FNames.push_back(name);
            FPorts.push_back(pty);
        }
    }
    Kill();
    Raise("zev-devsim did not report ready (see its error output above)");
}

bool TDevSimProcess::ReadLine(std::string& pLine, int pTimeoutMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(pTimeoutMs);
    for (;;) {
        const std::size_t end = FBuffer.find('\n');
        if (end != std::string::npos) {
            pLine = FBuffer.substr(0, end);
            FBuffer.erase(0, end + 1);
            return true;
        }
        pollfd p{FOut, POLLIN, 0};
        const int rc = ::poll(&p, 1, MsLeft(deadline));
        if (rc < 0 && errno == EINTR) continue;
        if (rc <= 0) return false;
        char chunk[4096];
        const ssize_t n = ::read(FOut, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        FBuffer.append(chunk, static_cast<std::size_t>(n));
    }
}

TChildUsage TDevSimProcess::Stop(int pTimeoutMs) {
    TChildUsage usage;
    if (FPid <= 0) return usage;
    ::kill(FPid, SIGTERM);
    const auto deadline = Clock::now() + std::chrono::milliseconds(pTimeoutMs);
    for (;;) {
        int status = 0;
        rusage ru{};
        const pid_t done = ::wait4(FPid, &status, WNOHANG, &ru);
        if (done == FPid) {
            usage.CpuSec = static_cast<double>(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) +
                           static_cast<double>(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
            usage.MaxRssKb = ru.ru_maxrss;
            usage.Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            FPid = -1;
            ::close(FOut);
            FOut = -1;
            return usage;
        }
        if (done < 0 && errno != EINTR) Raise(std::string("wait4: ") + std::strerror(errno));
        if (MsLeft(deadline) == 0) {
            Kill();
            Raise("zev-devsim did not end after SIGTERM");
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

void TDevSimProcess::Kill() {
    if (FPid > 0) {
        ::kill(FPid, SIGKILL);
        int status = 0;
        while (::waitpid(FPid, &status, 0) < 0 && errno == EINTR) {
        }
        FPid = -1;
    }
    if (FOut >= 0) {
        ::close(FOut);
        FOut = -1;
    }
}

} // namespace zev::bench
