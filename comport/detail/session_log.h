#pragma once
// The daily session log files: one per port and day, "<name>-YYYY-MM-DD.log" in the folder "Log"
// beside the program (or, where that folder cannot be written, in the program's own folder under
// the user's data folder).

#include <string>

namespace zev {

// Appends the line to the daily log file of the name. A name with a folder part (a device path
// such as /dev/ttyUSB0) logs under its last part. Raises an error when the line cannot be written.
void AppendDailyLog(const std::string& name, const std::string& line, bool addTime);

// Appends one line (and CR LF) to the text file, creating it when missing; with addTime the line
// starts with the local time "HH:NN:SS.ZZZ: ". Raises an error when the file cannot be written.
void AppendTextLine(const std::string& fileName, const std::string& line, bool addTime);

// The file AppendDailyLog writes for the name today, beside the program.
std::string DailyLogFileName(const std::string& folder, const std::string& name);

// The log folder beside the program, and the one under the user's data folder.
std::string LogFolder();
std::string FallbackLogFolder();

} // namespace zev
