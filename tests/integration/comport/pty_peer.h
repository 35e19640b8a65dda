#pragma once
// Test helpers: a pseudo-terminal pair, a scripted peer on its master side, and a fake /dev and
// /sys in a temporary folder that the port library is pointed at.

#include "datafiles/abytes.h"
#include "platform/timing.h"

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <poll.h>
#include <stdexcept>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace zev::test {

// A pseudo-terminal: the master stays here, the slave is the "serial port" under test.
class TPty {
public:
    TPty() {
        FMaster = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (FMaster < 0 || ::grantpt(FMaster) != 0 || ::unlockpt(FMaster) != 0)
            throw std::runtime_error("no pseudo-terminal");
        char name[128];
        if (::ptsname_r(FMaster, name, sizeof name) != 0) throw std::runtime_error("no ptsname");
        FSlave = name;
        ::fcntl(FMaster, F_SETFL, ::fcntl(FMaster, F_GETFL) | O_NONBLOCK);
    }
    ~TPty() { CloseMaster(); }
    TPty(const TPty&) = delete;
    TPty& operator=(const TPty&) = delete;

    int master() const { return FMaster; }
    const std::string& slave() const { return FSlave; }
    void CloseMaster() {
        if (FMaster >= 0) ::close(FMaster);
        FMaster = -1;
    }

private:
    int FMaster = -1;
    std::string FSlave;
};

// One piece of data the peer received, with the time it came (PerfMilliseconds).
struct TReceived {
    double at;
    ABytes data;
};

// The device side: a thread that reads whatever the port writes and runs the script on it.
// The script runs on the peer's thread and may answer with Send, sleeping between pieces.
class TPeer {
public:
    using TScript = std::function<void(TPeer& peer, const ABytes& piece)>;

    TPeer(int master, TScript script) : FMaster(master), FScript(std::move(script)) {
        FThread = std::thread([this] { Run(); });
    }
    ~TPeer() { Stop(); }
    TPeer(const TPeer&) = delete;
    TPeer& operator=(const TPeer&) = delete;

    void Stop() {
        FStop = true;
        if (FThread.joinable()) FThread.join();
    }
    void Send(const ABytes& data) {
        std::size_t done = 0;
        while (done < data.size()) {
            const ssize_t n = ::write(FMaster, data.data() + done, data.size() - done);
            if (n > 0)
                done += static_cast<std::size_t>(n);
            else if (n < 0 && errno != EAGAIN && errno != EINTR)
                return;
        }
    }
    std::vector<TReceived> Received() const {
        std::lock_guard<std::mutex> guard(FLock);
        return FReceived;
    }
    std::size_t ReceivedBytes() const {
        std::lock_guard<std::mutex> guard(FLock);
        std::size_t total = 0;
        for (const auto& r : FReceived) total += r.data.size();
        return total;
    }
    // How many requests have come: calls of the script so far.
    int Requests() const { return FRequests; }

private:
    void Run() {
        while (!FStop) {
            pollfd pfd{FMaster, POLLIN, 0};
            if (::poll(&pfd, 1, 5) <= 0) continue;
            std::uint8_t buffer[4096];
            const ssize_t n = ::read(FMaster, buffer, sizeof buffer);
            if (n <= 0) {
                // EIO while no one holds the slave open: wait for the next opener.
                SleepMs(2);
                continue;
            }
            ABytes piece(buffer, buffer + n);
            {
                std::lock_guard<std::mutex> guard(FLock);
                FReceived.push_back({PerfMilliseconds(), piece});
            }
            ++FRequests;
            if (FScript) FScript(*this, piece);
        }
    }

    int FMaster;
    TScript FScript;
    std::atomic<bool> FStop{false};
    std::atomic<int> FRequests{0};
    mutable std::mutex FLock;
    std::vector<TReceived> FReceived;
    std::thread FThread;
};

// A temporary /dev and /sys for the port library, set through ZEV_DEV_ROOT and ZEV_SYS_ROOT
// (and a key store through ZEV_REG_ROOT). Create it before any thread of the test starts.
class TFakeRoots {
public:
    TFakeRoots() {
        char pattern[] = "/tmp/zev-ports-XXXXXX";
        if (!::mkdtemp(pattern)) throw std::runtime_error("no temporary folder");
        FRoot = pattern;
        std::filesystem::create_directories(dev());
        std::filesystem::create_directories(sys() + "/class/tty");
        ::setenv("ZEV_DEV_ROOT", dev().c_str(), 1);
        ::setenv("ZEV_SYS_ROOT", sys().c_str(), 1);
        ::setenv("ZEV_REG_ROOT", (FRoot + "/reg").c_str(), 1);
        ::unsetenv("ZEV_PORTS");
    }
    ~TFakeRoots() {
        ::unsetenv("ZEV_DEV_ROOT");
        ::unsetenv("ZEV_SYS_ROOT");
        ::unsetenv("ZEV_REG_ROOT");
        ::unsetenv("ZEV_PORTS");
        std::error_code ignored;
        std::filesystem::remove_all(FRoot, ignored);
    }
    TFakeRoots(const TFakeRoots&) = delete;
    TFakeRoots& operator=(const TFakeRoots&) = delete;

    const std::string& root() const { return FRoot; }
    std::string dev() const { return FRoot + "/dev"; }
    std::string sys() const { return FRoot + "/sys"; }

    // dev/<name> → target; returns the link's path.
    std::string Link(const std::string& name, const std::string& target) const {
        const std::string path = dev() + "/" + name;
        std::filesystem::create_symlink(target, path);
        return path;
    }
    // A file below sys with that text.
    void SysFile(const std::string& relative, const std::string& text) const {
        const std::filesystem::path path = sys() + "/" + relative;
        std::filesystem::create_directories(path.parent_path());
        std::ofstream(path) << text;
    }
    // A link below sys to another place below sys.
    void SysLink(const std::string& relative, const std::string& targetRelative) const {
        const std::filesystem::path path = sys() + "/" + relative;
        std::filesystem::create_directories(path.parent_path());
        std::filesystem::create_directories(sys() + "/" + targetRelative);
        std::filesystem::create_symlink(sys() + "/" + targetRelative, path);
    }

private:
    std::string FRoot;
};

} // namespace zev::test
