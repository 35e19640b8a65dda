#pragma once
// From the configuration file and the command line to the list of devices. Both give groups of
// keys: a group is one device, or with count=N that many alike devices numbered 1..N; the
// defaults (the [defaults] section, and --set before any device) apply to every device first.

#include "tools/zev-devsim/device_config.h"

#include <string>
#include <utility>
#include <vector>

namespace zev::devsim {

using TKeyList = std::vector<std::pair<std::string, std::string>>;

struct TGroup {
    std::string Name;
    std::uint32_t Count = 1;
    TKeyList Keys;
    std::string Origin; // where it was given, for messages
};

struct TSetup {
    TKeyList Defaults;
    std::vector<TGroup> Groups;
};

// Reads an INI-like file into pSetup: [name] sections, "key = value" lines, # or ; comments.
// Raises an Error naming the file and line of the first fault.
void ReadConfigFile(const std::string& pPath, TSetup& pSetup);

// Builds the devices; raises an Error naming the group for a bad key or a clash of names or
// links. With no group at all there is one device, "dev1".
std::vector<TDeviceConfig> ResolveDevices(const TSetup& pSetup);

} // namespace zev::devsim
