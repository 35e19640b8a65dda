#pragma once
// The command line of zev-devsim.

#include "tools/zev-devsim/setup.h"

#include <string>
#include <vector>

namespace zev::devsim {

struct TOptions {
    std::vector<std::string> ConfigFiles;
    TSetup Setup; // the command line's own groups and defaults
    std::string DumpDir;
    bool Verbose = false;
    bool DieWithParent = false;
    bool Realtime = false;
    bool Help = false;
    bool Version = false;
};

// Raises an Error with a message fit for the user on a bad command line.
TOptions ParseOptions(const std::vector<std::string>& pArgs);

std::string HelpText();

} // namespace zev::devsim
