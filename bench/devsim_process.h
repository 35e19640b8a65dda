#pragma once
// zev-devsim as a child process of the benchmark: started with a set of devices, its ports read
// from its output, stopped with SIGTERM. Its CPU time and memory come from wait4, so they are
// counted apart from the benchmark's own.

#include <string>
#include <sys/types.h>
#include <vector>

namespace zev::bench {

// What the simulator used over its whole life.
struct TChildUsage {
    double CpuSec = 0; // user + system
    long MaxRssKb = 0;
    int Status = -1; // exit status, or -1 when it did not exit normally
};

class TDevSimProcess {
public:
    explicit TDevSimProcess(std::string pPath);
    ~TDevSimProcess();
    TDevSimProcess(const TDevSimProcess&) = delete;
    TDevSimProcess& operator=(const TDevSimProcess&) = delete;

    // Starts the simulator with these options and waits for its "ready" line. Raises an error
    // naming what went wrong when it cannot start or is not ready in time.
    void Start(const std::vector<std::string>& pArgs, int pTimeoutMs = 20000);

    // The devices' names and pseudo-terminals, in the order the simulator reported them.
    const std::vector<std::string>& Names() const { return FNames; }
    const std::vector<std::string>& Ports() const { return FPorts; }

    // Ends the simulator and returns what it used. Raises when it does not end in time.
    TChildUsage Stop(int pTimeoutMs = 10000);

private:
    bool ReadLine(std::string& pLine, int pTimeoutMs);
    void Kill();

    std::string FPath;
    pid_t FPid = -1;
    int FOut = -1;
    std::string FBuffer;
    std::vector<std::string> FNames;
    std::vector<std::string> FPorts;
};

} // namespace zev::bench
