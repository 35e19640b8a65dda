#pragma once
// Registers simulated ports as Wine COM ports (HKLM\Software\Wine\Ports, COMn = the pty) and
// removes them again. Wine runs in a private mount namespace in which every /dev/ttyS* is
// masked, so that it never opens the machine's real serial ports.

#include <string>
#include <utility>
#include <vector>

namespace zev::devsim {

using TWinePorts = std::vector<std::pair<std::string, std::string>>; // COMn, pty path

// Raises an Error with the reason when Wine could not be run or failed.
void RegisterWinePorts(const TWinePorts& pPorts);
// Best effort; returns false when the values could not be removed.
bool UnregisterWinePorts(const TWinePorts& pPorts);

} // namespace zev::devsim
