#include "tools/zev-devsim/dump.h"

#include "core/error.h"

#include <cstdio>
#include <filesystem>
#include <fstream>

namespace zev::devsim {

namespace {
// Written beside the final name and renamed into place, so a reader never sees half a file.
void WriteFile(const std::filesystem::path& path, const void* data, std::size_t size) {
    std::filesystem::path tmp = path;
    tmp += ".tmp";
    {
        std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
        out.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
        out.close();
        if (!out) Raise("cannot write the dump file '" + tmp.string() + "'");
    }
    std::error_code ec;
    std::filesystem::rename(tmp, path, ec);
    if (ec) Raise("cannot write the dump file '" + path.string() + "': " + ec.message());
}
// Milliseconds with three decimals.
std::string Ms(std::int64_t pNs) {
    char text[32];
    std::snprintf(text, sizeof text, "%lld.%03lld", static_cast<long long>(pNs / 1000000),
                  static_cast<long long>(pNs / 1000 % 1000));
    return text;
}
} // namespace

void DumpDevice(const TDevice& pDevice, const std::string& pDir) {
    const std::filesystem::path dir(pDir);
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (ec) Raise("cannot create the dump folder '" + pDir + "': " + ec.message());
    const std::string name = pDevice.Config().Name;
    std::string log;
    for (const std::string& line : pDevice.Log()) log += line + "\n";
    WriteFile(dir / (name + ".log"), log.data(), log.size());
    const std::string mem = pDevice.MemoryText();
    WriteFile(dir / (name + ".mem"), mem.data(), mem.size());
    WriteFile(dir / (name + ".flash.bin"), pDevice.Flash().data(), pDevice.Flash().size());
    WriteFile(dir / (name + ".eeprom.bin"), pDevice.Eeprom().data(), pDevice.Eeprom().size());
}

void DumpTimes(const std::string& pName, const std::vector<TRequestTime>& pTimes,
               const std::string& pDir) {
    std::string text;
    char line[48];
    for (const TRequestTime& t : pTimes) {
        std::snprintf(line, sizeof line, "%lld.%03lld %c\n",
                      static_cast<long long>(t.AtNs / 1000000),
                      static_cast<long long>(t.AtNs / 1000 % 1000), t.Kind);
        text += line;
    }
    WriteFile(std::filesystem::path(pDir) / (pName + ".times"), text.data(), text.size());
}

void DumpLoop(std::int64_t pLoops, std::int64_t pLateNs, std::int64_t pWorkNs,
              const std::string& pDir) {
    const std::string text =
        "loops " + std::to_string(pLoops) + " late " + Ms(pLateNs) + " work " + Ms(pWorkNs) + "\n";
    WriteFile(std::filesystem::path(pDir) / "loop.stats", text.data(), text.size());
}

void DumpAnswers(const std::string& pName, const std::vector<TAnswerTime>& pAnswers,
                 const std::string& pDir) {
    std::string text;
    for (const TAnswerTime& a : pAnswers) {
        text += Ms(a.FirstDueNs) + " " + Ms(a.LastDueNs) + " " + std::to_string(a.Bytes) + " " +
                std::to_string(a.Written) + " " + std::to_string(a.Writes) + " " +
                Ms(a.FirstWriteNs) + " " + Ms(a.LastWriteNs) + " " + Ms(a.LongestPauseNs) + " " +
                Ms(a.LatestNs) + " " + std::to_string(a.Blocked) + " " + (a.HungUp ? "1" : "0") +
                "\n";
    }
    WriteFile(std::filesystem::path(pDir) / (pName + ".answers"), text.data(), text.size());
}

} // namespace zev::devsim
