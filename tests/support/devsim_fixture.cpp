#include "support/devsim_fixture.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <spawn.h>
#include <sstream>
#include <stdexcept>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <utility>

extern char** environ;

namespace zev::test {

namespace {

using Clock = std::chrono::steady_clock;

int MsLeft(Clock::time_point pDeadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(pDeadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

std::uint8_t HexDigit(char c) {
    if (c >= '0' && c <= '9') return static_cast<std::uint8_t>(c - '0');
    if (c >= 'A' && c <= 'F') return static_cast<std::uint8_t>(c - 'A' + 10);
    if (c >= 'a' && c <= 'f') return static_cast<std::uint8_t>(c - 'a' + 10);
    throw std::runtime_error(std::string("not a hexadecimal digit: ") + c);
}

ABytes HexBytes(const std::string& pText) {
    if (pText.size() % 2 != 0) throw std::runtime_error("odd hexadecimal text: " + pText);
    ABytes bytes;
    for (std::size_t k = 0; k < pText.size(); k += 2)
        bytes.push_back(
            static_cast<std::uint8_t>(HexDigit(pText[k]) << 4 | HexDigit(pText[k + 1])));
    return bytes;
}

// "F 0400:0102 fault=drop" and the like.
TSimRequest ParseRequest(const std::string& pLine) {
    TSimRequest r;
    r.Text = pLine;
    if (pLine.empty()) return r;
    r.Kind = pLine[0];
    std::istringstream words(pLine.substr(1));
    std::string word;
    bool first = true;
    while (words >> word) {
        if (word.rfind("fault=", 0) == 0) {
            r.Fault = word.substr(6);
        } else if (word == "silent") {
            r.Fault = word;
        } else if (first && (r.Kind == 'F' || r.Kind == 'E')) {
            const std::size_t colon = word.find(':');
            if (colon == std::string::npos) throw std::runtime_error("bad line: " + pLine);
            r.Address = static_cast<std::uint32_t>(std::stoul(word.substr(0, colon), nullptr, 16));
            r.Data = HexBytes(word.substr(colon + 1));
        }
        first = false;
    }
    return r;
}

ABytes ReadBinary(const std::filesystem::path& pPath) {
    std::ifstream in(pPath, std::ios::binary);
    if (!in) throw std::runtime_error("no dump file " + pPath.string());
    return ABytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

ABytes Slice(const ABytes& pMemory, std::uint32_t pAddress, std::size_t pCount) {
    if (pAddress > pMemory.size() || pCount > pMemory.size() - pAddress)
        throw std::runtime_error("dump slice outside the memory");
    return ABytes(pMemory.begin() + pAddress, pMemory.begin() + pAddress + pCount);
}

} // namespace

std::vector<std::string> SimDevice(const std::string& pName,
                                   const std::vector<std::pair<std::string, std::string>>& pKeys) {
    std::vector<std::string> args{"-d", pName};
    for (const auto& [key, value] : pKeys) {
        args.push_back("-s");
        args.push_back(key + "=" + value);
    }
    return args;
}

std::vector<std::string> SimDevices(const std::vector<std::vector<std::string>>& pDevices) {
    std::vector<std::string> args;
    for (const auto& device : pDevices) args.insert(args.end(), device.begin(), device.end());
    return args;
}

std::vector<TSimRequest> TSimDeviceDump::OfKind(char pKind) const {
    std::vector<TSimRequest> out;
    for (const TSimRequest& r : Requests)
        if (r.Kind == pKind) out.push_back(r);
    return out;
}

std::string TSimDeviceDump::Kinds() const {
    std::string out;
    for (const TSimRequest& r : Requests) out += r.Kind;
    return out;
}

ABytes TSimDeviceDump::FlashAt(std::uint32_t pAddress, std::size_t pCount) const {
    return Slice(Flash, pAddress, pCount);
}

ABytes TSimDeviceDump::EepromAt(std::uint32_t pAddress, std::size_t pCount) const {
    return Slice(Eeprom, pAddress, pCount);
}

DevSimFixture::DevSimFixture() : DevSimFixture(ZEV_DEVSIM_PATH) {}

DevSimFixture::DevSimFixture(std::string pPath) : FPath(std::move(pPath)) {
    const std::string base =
        (std::filesystem::temp_directory_path() / "zev-devsim-XXXXXX").string();
    std::vector<char> pattern(base.begin(), base.end());
    pattern.push_back('\0');
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("no temporary folder");
    FDumpDir = pattern.data();
}

DevSimFixture::~DevSimFixture() {
    if (FPid > 0) {
        ::kill(FPid, SIGTERM);
        if (Wait(5000) == -1 && FPid > 0) {
            ::kill(FPid, SIGKILL);
            Wait(5000);
        }
    }
    if (FOut >= 0) ::close(FOut);
    if (FErr >= 0) ::close(FErr);
    std::error_code ignored;
    std::filesystem::remove_all(FDumpDir, ignored);
}

void DevSimFixture::Fail(const std::string& pWhat) {
    throw std::runtime_error("zev-devsim: " + pWhat + "; its error output: " + Stderr());
}

void DevSimFixture::Start(const std::vector<std::string>& pArgs, int pTimeoutMs) {
    if (FPid > 0) throw std::runtime_error("zev-devsim: already started");
    int out[2], err[2];
    if (::pipe2(out, O_CLOEXEC) != 0) throw std::runtime_error("zev-devsim: no pipe");
    if (::pipe2(err, O_CLOEXEC) != 0) {
        ::close(out[0]);
        ::close(out[1]);
        throw std::runtime_error("zev-devsim: no pipe");
    }
    std::vector<std::string> args{FPath, "--die-with-parent", "--dump", FDumpDir};
    args.insert(args.end(), pArgs.begin(), pArgs.end());
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, err[1], 2);
    pid_t pid = -1;
    const int rc = ::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    ::close(err[1]);
    FOut = out[0];
    FErr = err[0];
    ::fcntl(FErr, F_SETFL, O_NONBLOCK);
    if (rc != 0) Fail("cannot run " + FPath + ": " + std::strerror(rc));
    FPid = pid;

    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(pTimeoutMs);
    std::string line;
    while (ReadLine(line, MsLeft(deadline))) {
        if (line == "ready") return;
        std::istringstream words(line);
        std::string kind, name, pty, link;
        words >> kind >> name >> pty >> link;
        if (kind == "device" && !name.empty() && !pty.empty()) {
            FNames.push_back(name);
            FPorts[name] = {pty, link};
        }
    }
    Fail("no \"ready\" line");
}

const std::string& DevSimFixture::Pty(const std::string& pName) const {
    const auto it = FPorts.find(pName);
    if (it == FPorts.end()) throw std::runtime_error("zev-devsim: no device " + pName);
    return it->second.first;
}

std::vector<std::string> DevSimFixture::Ports() const {
    std::vector<std::string> ports;
    for (const std::string& name : FNames) ports.push_back(Pty(name));
    return ports;
}

std::string DevSimFixture::Link(const std::string& pName) const {
    const auto it = FPorts.find(pName);
    return it == FPorts.end() ? std::string() : it->second.second;
}

void DevSimFixture::Dump(int pTimeoutMs) {
    if (FPid <= 0) throw std::runtime_error("zev-devsim: not running");
    ::kill(FPid, SIGUSR1);
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(pTimeoutMs);
    std::string line;
    while (ReadLine(line, MsLeft(deadline)))
        if (line.rfind("dumped ", 0) == 0) return;
    Fail("no \"dumped\" line");
}

int DevSimFixture::Stop(int pTimeoutMs) {
    if (FPid <= 0) throw std::runtime_error("zev-devsim: not running");
    ::kill(FPid, SIGTERM);
    const int status = Wait(pTimeoutMs);
    if (FPid > 0) {
        ::kill(FPid, SIGKILL);
        Wait(5000);
        Fail("did not end on SIGTERM");
    }
    return status;
}

int DevSimFixture::Wait(int pTimeoutMs) {
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(pTimeoutMs);
    for (;;) {
        int status = 0;
        rusage ru{};
        const pid_t done = ::wait4(FPid, &status, WNOHANG, &ru);
        if (done == FPid) {
            FUsage.CpuSec = static_cast<double>(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) +
                            static_cast<double>(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
            FUsage.MaxRssKb = ru.ru_maxrss;
        }
        if (done == FPid || (done < 0 && errno == ECHILD)) {
            FPid = -1;
            DrainStderr();
            return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        }
        if (MsLeft(deadline) == 0) return -1;
        DrainStderr();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

TSimDeviceDump DevSimFixture::ReadDump(const std::string& pName) const {
    const std::filesystem::path base = std::filesystem::path(FDumpDir) / pName;
    TSimDeviceDump dump;
    std::ifstream log(base.string() + ".log");
    if (!log) throw std::runtime_error("zev-devsim: no dump of " + pName);
    std::string line;
    while (std::getline(log, line))
        if (!line.empty()) dump.Requests.push_back(ParseRequest(line));
    dump.Flash = ReadBinary(base.string() + ".flash.bin");
    dump.Eeprom = ReadBinary(base.string() + ".eeprom.bin");
    return dump;
}

std::string DevSimFixture::Stderr() {
    DrainStderr();
    return FErrText;
}

bool DevSimFixture::ReadLine(std::string& pLine, int pTimeoutMs) {
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

void DevSimFixture::DrainStderr() {
    if (FErr < 0) return;
    char chunk[4096];
    for (;;) {
        const ssize_t n = ::read(FErr, chunk, sizeof chunk);
        if (n > 0) {
            FErrText.append(chunk, static_cast<std::size_t>(n));
            continue;
        }
        if (n == 0) {
            ::close(FErr);
            FErr = -1;
        }
        return;
    }
}

} // namespace zev::test
