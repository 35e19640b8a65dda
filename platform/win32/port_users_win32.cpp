// Windows names neither a group for a port nor the program that holds it.

#include "platform/port_users.h"

namespace zev::os {

std::string PortGroup(const std::string&) {
    return {};
}

std::string UserName() {
    return {};
}

std::vector<std::vector<std::string>> PortHolders(const std::vector<std::string>& pPorts) {
    return std::vector<std::vector<std::string>>(pPorts.size());
}

} // namespace zev::os
