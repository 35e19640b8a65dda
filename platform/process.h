#pragma once
// The running process as tests look at it: its own threads and its environment.

#include <optional>
#include <string>

namespace zev::os {

// The number of threads of this process that it started itself and that still run. On Linux
// those carrying the process's own name (threads of libraries that name theirs, such as Qt's and
// GLib's, do not count); on Windows every thread of the process.
int OwnThreadCount();

// Sets the environment variable pName of this process to pValue, or removes it when pValue is
// nothing. On Windows an empty value removes the variable too.
void SetProcessEnv(const std::string& pName, const std::optional<std::string>& pValue);

} // namespace zev::os
