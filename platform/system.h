#pragma once
// Where the program lives and what time it is: the small system facts the port library needs.

#include <string>
#include <vector>

namespace zev::os {

// The running program's own executable file, full path, UTF-8.
std::string ExecutablePath();
// The folder of that file, without a trailing separator.
std::string ExecutableFolder();
// The current user's folder for program data (on Windows the roaming application data folder,
// on Linux $XDG_DATA_HOME or ~/.local/share), without a trailing separator.
std::string UserDataFolder();

// The local wall-clock time, to the millisecond.
struct TLocalTime {
    int year = 0, month = 0, day = 0;
    int hour = 0, minute = 0, second = 0, millisecond = 0;
};
TLocalTime LocalTimeNow();

// The program's command-line words after its own name, each as UTF-8 text. On Windows they are
// taken from the system's UTF-16 command line, so names outside the ANSI code page survive.
std::vector<std::string> CommandLineWords(int argc, char** argv);

// UTF-8 text as 8-bit text of the system's ANSI code page (unchanged where that is UTF-8).
std::string ToAnsiText(const std::string& utf8);

} // namespace zev::os
