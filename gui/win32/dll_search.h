#pragma once
// Where the program may load DLLs from once it runs.

namespace zev::win32 {

// Restricts every later DLL load of the process to the system folder, so that no DLL placed
// beside the program (in a downloads folder, say) is loaded into it, elevated as it runs. The
// program's static imports are KnownDLLs and the common controls, which Windows takes from its
// own folders before any code of the program runs; this covers the loads that come later.
void RestrictDllSearchToSystemFolder();

} // namespace zev::win32
