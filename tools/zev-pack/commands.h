#pragma once
// The subcommands of zev-pack. Each takes the words after its name and returns the exit status.

#include <iosfwd>
#include <string>
#include <vector>

namespace zev::pack {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1; // a check failed, input refused, or a file error
inline constexpr int kExitUsage = 2;

int RunBuild(const std::vector<std::string>& words);
int RunStrip(const std::vector<std::string>& words);
int RunExtract(const std::vector<std::string>& words);
int RunInfo(const std::vector<std::string>& words);
int RunDemoHex(const std::vector<std::string>& words);

// The help of one command, or the overview when command is empty or unknown.
void PrintHelp(std::ostream& out, const std::string& command);

} // namespace zev::pack
