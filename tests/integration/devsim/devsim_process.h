#pragma once
// Runs zev-devsim as a child process for a test: reads its "device ..." lines up to "ready",
// waits for later lines ("dumped", "closed"), and ends it with a signal.

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <map>
#include <poll.h>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace zev::test {

struct SimPort {
    std::string Pty;
    std::string Link;
};

class DevSim {
public:
    DevSim() = default;
    ~DevSim() { Kill(); }
    DevSim(const DevSim&) = delete;
    DevSim& operator=(const DevSim&) = delete;

    // Starts the simulator and waits for "ready"; false (with the reason in Error()) when it
    // did not get there.
    bool Start(const std::vector<std::string>& args, int timeoutMs = 20000) {
        if (!Spawn(args)) return false;
        std::string line;
        while (ReadLine(line, timeoutMs)) {
            if (line == "ready") return true;
            std::istringstream words(line);
            std::string kind, name;
            SimPort port;
            words >> kind >> name >> port.Pty >> port.Link;
            if (kind == "device") Ports[name] = port;
        }
        error_ = "no 'ready' line; stderr: " + Stderr();
        return false;
    }

    // Runs the simulator to its end (for bad command lines); returns its exit status.
    int RunToEnd(const std::vector<std::string>& args, int timeoutMs = 20000) {
        if (!Spawn(args)) return -1;
        std::string line;
        while (ReadLine(line, timeoutMs)) stdout_ += line + "\n";
        return Wait(timeoutMs);
    }

    // Waits for a line that starts with prefix; returns the line, or "" on timeout or end.
    std::string WaitLine(const std::string& prefix, int timeoutMs = 10000) {
        std::string line;
        while (ReadLine(line, timeoutMs))
            if (line.rfind(prefix, 0) == 0) return line;
        return "";
    }

    void Signal(int sig) {
        if (pid_ > 0) ::kill(pid_, sig);
    }

    // SIGTERM, then waits; returns the exit status (-1 when it had to be killed).
    int Stop(int timeoutMs = 20000) {
        Signal(SIGTERM);
        return Wait(timeoutMs);
    }

    std::string Stderr() {
        DrainStderr();
        return stderr_;
    }
    const std::string& Error() const { return error_; }
    // Standard output of a RunToEnd.
    const std::string& Stdout() const { return stdout_; }
    std::map<std::string, SimPort> Ports;

private:
    bool Spawn(const std::vector<std::string>& args) {
        int out[2], err[2];
        if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0) {
            error_ = "pipe failed";
            return false;
        }
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(out[1], 1);
            ::dup2(err[1], 2);
            std::vector<char*> argv;
            static char path[] = ZEV_DEVSIM_PATH;
            static char die[] = "--die-with-parent";
            argv.push_back(path);
            argv.push_back(die);
            for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
            argv.push_back(nullptr);
            ::execv(path, argv.data());
            ::_exit(127);
        }
        ::close(out[1]);
        ::close(err[1]);
        out_ = out[0];
        err_ = err[0];
        ::fcntl(err_, F_SETFL, O_NONBLOCK);
        return pid_ > 0;
    }

    bool ReadLine(std::string& line, int timeoutMs) {
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        for (;;) {
            const std::size_t nl = buf_.find('\n');
            if (nl != std::string::npos) {
                line = buf_.substr(0, nl);
                buf_.erase(0, nl + 1);
                return true;
            }
            if (out_ < 0) return false;
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                                  deadline - std::chrono::steady_clock::now())
                                  .count();
            if (left <= 0) return false;
            pollfd p{out_, POLLIN, 0};
            if (::poll(&p, 1, static_cast<int>(left)) <= 0) continue;
            char chunk[4096];
            const ssize_t n = ::read(out_, chunk, sizeof chunk);
            if (n <= 0) {
                ::close(out_);
                out_ = -1;
                continue;
            }
            buf_.append(chunk, static_cast<std::size_t>(n));
            DrainStderr();
        }
    }

    void DrainStderr() {
        if (err_ < 0) return;
        char chunk[4096];
        ssize_t n;
        while ((n = ::read(err_, chunk, sizeof chunk)) > 0)
            stderr_.append(chunk, static_cast<std::size_t>(n));
    }

    int Wait(int timeoutMs) {
        if (pid_ <= 0) return -1;
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        int status = 0;
        while (::waitpid(pid_, &status, WNOHANG) == 0) {
            DrainStderr();
            if (std::chrono::steady_clock::now() > deadline) {
                ::kill(pid_, SIGKILL);
                ::waitpid(pid_, &status, 0);
                pid_ = -1;
                return -1;
            }
            ::usleep(2000);
        }
        pid_ = -1;
        DrainStderr();
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    void Kill() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            int status;
            ::waitpid(pid_, &status, 0);
        }
        if (out_ >= 0) ::close(out_);
        if (err_ >= 0) ::close(err_);
        pid_ = out_ = err_ = -1;
    }

    pid_t pid_ = -1;
    int out_ = -1;
    int err_ = -1;
    std::string buf_;
    std::string stdout_;
    std::string stderr_;
    std::string error_;
};

} // namespace zev::test
