#pragma once
// zev-devsim as a child process, for tests and benchmarks: start the simulator with a set of
// devices, get their pseudo-terminals, stop it and read what each device received and holds.
//
//   DevSimFixture sim;
//   sim.Start(SimDevice("pump", {{"dVerProg", "1.04"}, {"fault", "drop flash n=3"}}));
//   ... open sim.Pty("pump") ...
//   sim.Stop();
//   TSimDeviceDump pump = sim.ReadDump("pump");
//
// The simulator ends with the test process (--die-with-parent) and its dump folder is removed
// with the fixture. Failures to start or stop raise std::runtime_error with its error output.
// After Stop, Usage tells what the simulator itself used, apart from its parent.

#include "datafiles/abytes.h"
#include "support/child_process.h"

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace zev::test {

// The command-line options of one device: "-d NAME" followed by "-s KEY=VALUE" for each key.
std::vector<std::string>
SimDevice(const std::string& pName,
          const std::vector<std::pair<std::string, std::string>>& pKeys = {});
// The options of several devices, in order.
std::vector<std::string> SimDevices(const std::vector<std::vector<std::string>>& pDevices);

// One request as the device logged it: its kind (I, F, E, R or X), the line address and data
// for F and E, and the fault that changed its answer, if any.
struct TSimRequest {
    char Kind = 0;
    std::uint32_t Address = 0;
    ABytes Data;
    std::string Fault;
    std::string Text; // the whole log line
};

// What one device received and holds.
struct TSimDeviceDump {
    std::vector<TSimRequest> Requests;
    ABytes Flash;  // 65536 bytes
    ABytes Eeprom; // 256 bytes

    // The requests of one kind, in order.
    std::vector<TSimRequest> OfKind(char pKind) const;
    std::size_t Count(char pKind) const { return OfKind(pKind).size(); }
    // The kinds in order, one character each ("IFFFFEER").
    std::string Kinds() const;
    // The bytes of flash or EEPROM from pAddress on.
    ABytes FlashAt(std::uint32_t pAddress, std::size_t pCount) const;
    ABytes EepromAt(std::uint32_t pAddress, std::size_t pCount) const;
};

// One device as the simulator announces it before it serves: "device NAME PTY [LINK]".
struct TSimDevicePort {
    std::string Name;
    std::string Pty;
    std::string Link; // "" without a link
};

// Reads the simulator's announcement, one line per device up to "ready", within pTimeoutMs in
// all; false when it ended or the time ran out first.
bool ReadSimAnnouncement(ChildProcess& pChild, int pTimeoutMs,
                         std::vector<TSimDevicePort>& pDevices);

class DevSimFixture {
public:
    // The simulator built with this tree, or the one at pPath.
    DevSimFixture();
    explicit DevSimFixture(std::string pPath);
    ~DevSimFixture();
    DevSimFixture(const DevSimFixture&) = delete;
    DevSimFixture& operator=(const DevSimFixture&) = delete;

    // Starts the simulator with these options (devices, keys, --instant ...) and a dump folder
    // of its own, and waits for its "ready" line.
    void Start(const std::vector<std::string>& pArgs, int pTimeoutMs = 20000);

    // The devices' names in the order the simulator reported them, and their ports.
    const std::vector<std::string>& Names() const { return FNames; }
    // The devices' pseudo-terminals, in the same order.
    std::vector<std::string> Ports() const;
    const std::string& Pty(const std::string& pName) const;
    // The link given with the link key, or "".
    std::string Link(const std::string& pName) const;

    // Asks the running simulator for a dump and waits until it is written.
    void Dump(int pTimeoutMs = 10000);
    // Ends the simulator (it writes its dump on the way out); returns its exit status.
    int Stop(int pTimeoutMs = 20000);
    bool Running() const { return FChild.Running(); }
    // What the simulator used, once it has ended.
    const TChildUsage& Usage() const { return FChild.Usage(); }

    // The dump of one device, after Dump or Stop.
    TSimDeviceDump ReadDump(const std::string& pName) const;
    const std::string& DumpDir() const { return FDumpDir; }
    // What the simulator wrote to its standard error so far.
    std::string Stderr();

private:
    [[noreturn]] void Fail(const std::string& pWhat);

    std::string FPath;
    ChildProcess FChild;
    std::string FDumpDir;
    std::vector<std::string> FNames;
    std::map<std::string, std::pair<std::string, std::string>> FPorts; // pty, link
};

} // namespace zev::test
