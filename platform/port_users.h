#pragma once
// Who may open a serial port and who holds it open: what a user needs to hear when a port cannot
// be opened. Linux reads the device file's owner group and the open files of /proc; Windows
// tells neither, and gives empty answers.

#include <string>
#include <vector>

namespace zev::os {

// The group whose members may read and write the port's device file ("dialout"); empty when the
// file cannot be read or its group may not open it.
std::string PortGroup(const std::string& pPort);

// The name of the user this program runs as; empty when unknown.
std::string UserName();

// For each port of pPorts, the other programs that hold its device open, each as
// "name (PID n)", in the order of their process ids. One pass over the system's processes serves
// all ports; processes this user may not look into are left out.
std::vector<std::vector<std::string>> PortHolders(const std::vector<std::string>& pPorts);

} // namespace zev::os
