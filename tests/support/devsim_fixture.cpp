#include "support/devsim_fixture.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <utility>

namespace zev::test {

namespace {

using Clock = std::chrono::steady_clock;

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
    if (FChild.Running()) {
        FChild.Signal(SIGTERM);
        if (!FChild.Wait(5000)) FChild.Kill();
    }
    std::error_code ignored;
    std::filesystem::remove_all(FDumpDir, ignored);
}

bool ReadSimAnnouncement(ChildProcess& pChild, int pTimeoutMs,
                         std::vector<TSimDevicePort>& pDevices) {
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(pTimeoutMs);
    std::string line;
    while (pChild.ReadLine(line, MsLeft(deadline))) {
        if (line == "ready") return true;
        std::istringstream words(line);
        std::string kind;
        TSimDevicePort device;
        words >> kind >> device.Name >> device.Pty >> device.Link;
        if (kind == "device" && !device.Name.empty() && !device.Pty.empty())
            pDevices.push_back(device);
    }
    return false;
}

void DevSimFixture::Fail(const std::string& pWhat) {
    throw std::runtime_error("zev-devsim: " + pWhat + "; its error output: " + Stderr());
}

void DevSimFixture::Start(const std::vector<std::string>& pArgs, int pTimeoutMs) {
    if (FChild.Running()) throw std::runtime_error("zev-devsim: already started");
    std::vector<std::string> args{FPath, "--die-with-parent", "--dump", FDumpDir};
    args.insert(args.end(), pArgs.begin(), pArgs.end());
    std::string why;
    if (!FChild.Start(args, why)) Fail(why);

    std::vector<TSimDevicePort> devices;
    if (!ReadSimAnnouncement(FChild, pTimeoutMs, devices)) Fail("no \"ready\" line");
    for (const TSimDevicePort& device : devices) {
        FNames.push_back(device.Name);
        FPorts[device.Name] = {device.Pty, device.Link};
    }
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
    if (!FChild.Running()) throw std::runtime_error("zev-devsim: not running");
    FChild.Signal(SIGUSR1);
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(pTimeoutMs);
    std::string line;
    while (FChild.ReadLine(line, MsLeft(deadline)))
        if (line.rfind("dumped ", 0) == 0) return;
    Fail("no \"dumped\" line");
}

int DevSimFixture::Stop(int pTimeoutMs) {
    if (!FChild.Running()) throw std::runtime_error("zev-devsim: not running");
    FChild.Signal(SIGTERM);
    const std::optional<int> status = FChild.Wait(pTimeoutMs);
    if (!status) {
        FChild.Kill();
        Fail("did not end on SIGTERM");
    }
    return *status;
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
    return FChild.Stderr();
}

} // namespace zev::test
