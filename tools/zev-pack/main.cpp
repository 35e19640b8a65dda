// zev-pack: the publisher's tool for the update package of ZEV Programmer.

#include "core/error.h"
#include "platform/system.h"
#include "tools/zev-pack/args.h"
#include "tools/zev-pack/commands.h"
#include "zev_version.h"

#include <iostream>
#include <map>

int main(int argc, char** argv) {
    using namespace zev::pack;
    const std::vector<std::string> words = zev::os::CommandLineWords(argc, argv);
    if (words.empty()) {
        PrintHelp(std::cerr, "");
        return kExitUsage;
    }
    const std::string command = words.front();
    const std::vector<std::string> rest(words.begin() + 1, words.end());
    if (command == "--help" || command == "-h" || command == "help") {
        PrintHelp(std::cout, rest.empty() ? "" : rest.front());
        return kExitOk;
    }
    if (command == "--version") {
        std::cout << "zev-pack " << ZEV_VERSION_TEXT << "\n";
        return kExitOk;
    }
    const std::map<std::string, int (*)(const std::vector<std::string>&)> commands = {
        {"build", RunBuild},     {"info", RunInfo},        {"strip", RunStrip},
        {"extract", RunExtract}, {"demo-hex", RunDemoHex},
    };
    const auto found = commands.find(command);
    if (found == commands.end()) {
        std::cerr << "zev-pack: unknown command \"" << command << "\" (see zev-pack --help)\n";
        return kExitUsage;
    }
    for (const std::string& word : rest) {
        if (word == "--help" || word == "-h") {
            PrintHelp(std::cout, command);
            return kExitOk;
        }
    }
    try {
        return found->second(rest);
    } catch (const UsageError& e) {
        std::cerr << "zev-pack " << command << ": " << e.message << " (see zev-pack " << command
                  << " --help)\n";
        return kExitUsage;
    } catch (const std::exception& e) {
        std::cerr << "zev-pack " << command << ": " << e.what() << "\n";
        return kExitFailed;
    }
}
