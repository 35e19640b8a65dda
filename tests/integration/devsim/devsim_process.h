#pragma once
// Runs zev-devsim as a child process for a test: reads its "device ..." lines up to "ready",
// waits for later lines ("dumped", "closed"), and ends it with a signal.

#include "support/child_process.h"
#include "support/devsim_fixture.h"

#include <csignal>
#include <map>
#include <string>
#include <vector>

namespace zev::test {

struct SimPort {
    std::string Pty;
    std::string Link;
};

class DevSim {
public:
    // Starts the simulator and waits for "ready"; false (with the reason in Error()) when it
    // did not get there.
    bool Start(const std::vector<std::string>& args, int timeoutMs = 20000) {
        if (!Spawn(args)) return false;
        std::vector<TSimDevicePort> devices;
        const bool ready = ReadSimAnnouncement(FChild, timeoutMs, devices);
        for (const TSimDevicePort& device : devices) Ports[device.Name] = {device.Pty, device.Link};
        if (!ready) FError = "no 'ready' line; stderr: " + Stderr();
        return ready;
    }

    // Runs the simulator to its end (for bad command lines); returns its exit status.
    int RunToEnd(const std::vector<std::string>& args, int timeoutMs = 20000) {
        if (!Spawn(args)) return -1;
        std::string line;
        while (FChild.ReadLine(line, timeoutMs)) FStdout += line + "\n";
        return Wait(timeoutMs);
    }

    // Waits for a line that starts with prefix; returns the line, or "" on timeout or end.
    std::string WaitLine(const std::string& prefix, int timeoutMs = 10000) {
        std::string line;
        while (FChild.ReadLine(line, timeoutMs))
            if (line.rfind(prefix, 0) == 0) return line;
        return "";
    }

    void Signal(int sig) { FChild.Signal(sig); }

    // SIGTERM, then waits; returns the exit status (-1 when it had to be killed).
    int Stop(int timeoutMs = 20000) {
        Signal(SIGTERM);
        return Wait(timeoutMs);
    }

    std::string Stderr() { return FChild.Stderr(); }
    const std::string& Error() const { return FError; }
    // Standard output of a RunToEnd.
    const std::string& Stdout() const { return FStdout; }
    std::map<std::string, SimPort> Ports;

private:
    bool Spawn(const std::vector<std::string>& args) {
        std::vector<std::string> argv{ZEV_DEVSIM_PATH, "--die-with-parent"};
        argv.insert(argv.end(), args.begin(), args.end());
        return FChild.Start(argv, FError);
    }

    int Wait(int timeoutMs) {
        if (const std::optional<int> status = FChild.Wait(timeoutMs)) return *status;
        FChild.Kill();
        return -1;
    }

    ChildProcess FChild;
    std::string FStdout;
    std::string FError;
};

} // namespace zev::test
