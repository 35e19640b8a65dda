// zev-bench: times the real search and programming workers against simulated devices paced like
// a 19200-baud line. See Usage below; bench/run.sh runs every scenario and writes RESULTS.md.

#include "bench/scenarios.h"
#include "platform/timing.h"

#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#ifndef ZEV_DEVSIM_PATH
#define ZEV_DEVSIM_PATH "zev-devsim"
#endif

using namespace zev::bench;

namespace {

const char* const kUsage = R"(Usage: zev-bench COMMAND [options]

Commands:
  reference   the line limit and the protocol floor of one update of the package
  update      update N simulated devices at once with the package (--package, -n)
  session     one controller alone writes N flash lines to one device (--package, -n)
  search      search rounds over N ports where no device answers (-n, --repeat)
  present     search one port whose device answers at once, several times (--repeat)
  window      the updater's own window writes N devices (--program, --package, -n; --wine-run)

Options:
  --package FILE   a file with the update package appended (as zev-pack build makes it)
  -n N             devices or ports (1 to 256) or lines (1 to 1024), default 1
  --repeat R       rounds for search and present, default 5
  --devsim PATH    the zev-devsim executable (default: the one built with this program)
  --program FILE   window: the packed updater (needs Xvfb and xdotool)
  --wine-run PATH  window: scripts/wine-run.sh; --program is then a Windows program
  --keep-dump DIR  window: copy the devices' dumps (NAME.times, NAME.answers, ...) into DIR
  -h, --help       this text

The devices are paced like a 19200-baud line with device times of 1 ms (identity), 5 ms (flash
line), 100 ms (EEPROM line) and 20 ms (reset). Results go to standard output as key=value lines;
the exit status is 0 when every worker ended as it should, 1 when not, 2 on a usage error.
)";

int Usage(const std::string& pWhy) {
    std::fprintf(stderr, "zev-bench: %s\n\n%s", pWhy.c_str(), kUsage);
    return 2;
}

bool ParseCount(const std::string& pText, long pMin, long pMax, long& pValue) {
    try {
        std::size_t used = 0;
        pValue = std::stol(pText, &used);
        return used == pText.size() && pValue >= pMin && pValue <= pMax;
    } catch (const std::exception&) {
        return false;
    }
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> words(argv + 1, argv + argc);
    if (words.empty()) return Usage("no command");
    if (words[0] == "-h" || words[0] == "--help") {
        std::fputs(kUsage, stdout);
        return 0;
    }
    const std::string command = words[0];
    TBenchOptions options;
    options.DevSim = ZEV_DEVSIM_PATH;
    for (std::size_t i = 1; i < words.size(); ++i) {
        const std::string& w = words[i];
        const bool hasValue = i + 1 < words.size();
        long value = 0;
        if (w == "--package" && hasValue) {
            options.Package = words[++i];
        } else if (w == "--devsim" && hasValue) {
            options.DevSim = words[++i];
        } else if (w == "--program" && hasValue) {
            options.Program = words[++i];
        } else if (w == "--wine-run" && hasValue) {
            options.WineRun = words[++i];
        } else if (w == "--keep-dump" && hasValue) {
            options.KeepDump = words[++i];
        } else if (w == "-n" && hasValue) {
            if (!ParseCount(words[++i], 1, 1024, value)) return Usage("-n takes 1 to 1024");
            options.Count = static_cast<std::size_t>(value);
        } else if (w == "--repeat" && hasValue) {
            if (!ParseCount(words[++i], 1, 1000, value)) return Usage("--repeat takes 1 to 1000");
            options.Repeat = static_cast<int>(value);
        } else {
            return Usage("unknown option or missing value: " + w);
        }
    }
    const bool needsPackage = command == "reference" || command == "update" ||
                              command == "session" || command == "window";
    if (needsPackage && options.Package.empty()) return Usage(command + " needs --package FILE");

    zev::TimingStartup();
    try {
        if (command == "reference") return RunReference(options);
        if (command == "update") return RunUpdateBench(options);
        if (command == "session") return RunSessionBench(options);
        if (command == "search") return RunSilentSearchBench(options);
        if (command == "present") return RunPresentSearchBench(options);
        if (command == "window") return RunWindowBench(options);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "zev-bench %s: %s\n", command.c_str(), e.what());
        return 1;
    }
    return Usage("unknown command: " + command);
}
