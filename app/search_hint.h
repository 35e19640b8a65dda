#pragma once
// What the window shows in place of the device list after a search in which no device answered:
// each port that could not be opened and why, in words the user can act on, and how many ports
// were searched. Ports that were opened but stayed silent are no fault and are only counted.

#include <cstddef>
#include <string>
#include <system_error>
#include <vector>

namespace zev {

// A port that could not be opened, with the system's reason (compared with os::TErrorKind).
struct TPortFault {
    std::string Port;
    std::error_code Code;
};

// The hint in CurrentLanguage, lines joined by CR LF: "connect the device" when there was no
// port at all; else a line per fault (a port that vanished since the list was taken is none),
// then the number of ports searched.
std::string SearchHint(std::size_t pPortCount, const std::vector<TPortFault>& pFaults);

} // namespace zev
