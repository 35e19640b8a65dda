#include "tools/zev-devsim/setup.h"

#include "core/error.h"
#include "core/format.h"
#include "tools/zev-devsim/values.h"

#include <fstream>
#include <set>
#include <sstream>

namespace zev::devsim {

namespace {

constexpr std::uint32_t kMaxDevices = 1024;
constexpr std::size_t kMaxConfigBytes = 1 << 20;

bool GoodName(const std::string& name) {
    if (name.empty() || name.size() > 64) return false;
    for (char c : name) {
        const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                        (c >= '0' && c <= '9') || c == '-' || c == '_' || c == '.';
        if (!ok) return false;
    }
    return name != "." && name != "..";
}

std::string Numbered(const std::string& name, std::uint32_t i, std::uint32_t count) {
    std::string digits = std::to_string(i);
    const std::size_t width = std::to_string(count).size();
    if (digits.size() < width) digits.insert(0, width - digits.size(), '0');
    return name + digits;
}

} // namespace

void ReadConfigFile(const std::string& pPath, TSetup& pSetup) {
    std::ifstream file(pPath, std::ios::binary);
    if (!file) Raise("cannot read the configuration file '" + pPath + "'");
    std::string text;
    char chunk[4096];
    while (file.read(chunk, sizeof chunk) || file.gcount() > 0) {
        text.append(chunk, static_cast<std::size_t>(file.gcount()));
        if (text.size() > kMaxConfigBytes)
            Raise("the configuration file '" + pPath + "' is larger than 1 MiB");
    }
    if (file.bad()) Raise("cannot read the configuration file '" + pPath + "'");
    std::istringstream in(text);
    std::string line;
    int number = 0;
    TGroup* group = nullptr;
    bool inDefaults = false;
    std::set<std::string> sections;
    while (std::getline(in, line)) {
        ++number;
        const std::string where = pPath + ":" + std::to_string(number) + ": ";
        const std::string t = Trim(line);
        if (t.empty() || t[0] == '#' || t[0] == ';') continue;
        if (t[0] == '[') {
            if (t.back() != ']') Raise(where + "a section is written [name]");
            const std::string name = Trim(t.substr(1, t.size() - 2));
            if (!sections.insert(Lower(name)).second)
                Raise(where + "section [" + name + "] given twice");
            if (Lower(name) == "defaults") {
                inDefaults = true;
                group = nullptr;
                continue;
            }
            if (!GoodName(name))
                Raise(where + "a device name is 1 to 64 letters, digits, '-', '_' or '.': [" +
                      name + "]");
            inDefaults = false;
            pSetup.Groups.push_back(TGroup{name, 1, {}, where.substr(0, where.size() - 2)});
            group = &pSetup.Groups.back();
            continue;
        }
        const std::size_t eq = t.find('=');
        if (eq == std::string::npos) Raise(where + "expected KEY = VALUE or [section]: " + t);
        const std::string key = Trim(t.substr(0, eq));
        const std::string value = Trim(t.substr(eq + 1));
        if (inDefaults) {
            if (Lower(key) == "count") Raise(where + "count belongs in a device section");
            TDeviceConfig probe;
            try {
                ApplyKey(probe, key, value);
            } catch (const Error& e) {
                Raise(where + e.what());
            }
            pSetup.Defaults.emplace_back(key, value);
        } else if (group == nullptr) {
            Raise(where + "a key before any [section]");
        } else if (Lower(key) == "count") {
            try {
                group->Count = static_cast<std::uint32_t>(ParseNumber(value, 1, kMaxDevices));
            } catch (const Error& e) {
                Raise(where + "count: " + e.what());
            }
        } else {
            TDeviceConfig probe; // reports a bad key at its own line
            try {
                ApplyKey(probe, key, value);
            } catch (const Error& e) {
                Raise(where + e.what());
            }
            group->Keys.emplace_back(key, value);
        }
    }
}

std::vector<TDeviceConfig> ResolveDevices(const TSetup& pSetup) {
    std::vector<TGroup> groups = pSetup.Groups;
    if (groups.empty()) groups.push_back(TGroup{"dev1", 1, {}, "default"});
    std::uint64_t total = 0;
    for (const TGroup& g : groups) total += g.Count;
    if (total > kMaxDevices)
        Raise("too many devices: " + std::to_string(total) + " (at most 1024)");

    std::vector<TDeviceConfig> devices;
    std::set<std::string> names, links;
    for (const TGroup& g : groups) {
        const auto fail = [&](const std::string& why) {
            Raise(g.Origin + ": [" + g.Name + "] " + why);
        };
        if (!GoodName(g.Name)) fail("a device name is 1 to 64 letters, digits, '-', '_' or '.'");
        TDeviceConfig base;
        base.Boot.ID = static_cast<std::uint32_t>(devices.size() + 1);
        try {
            for (const auto& [k, v] : pSetup.Defaults) ApplyKey(base, k, v);
            for (const auto& [k, v] : g.Keys) ApplyKey(base, k, v);
        } catch (const Error& e) {
            fail(e.what());
        }
        if (g.Count > 1 && !base.Link.empty() && base.Link.find('%') == std::string::npos)
            fail("with count, link needs %d for the device's number: " + base.Link);

        for (std::uint32_t i = 1; i <= g.Count; ++i) {
            TDeviceConfig d = base;
            d.Name = g.Count > 1 ? Numbered(g.Name, i, g.Count) : g.Name;
            d.Boot.ID = base.Boot.ID + (i - 1);
            if (g.Count > 1 && !d.Link.empty()) d.Link = Format(base.Link, {static_cast<int>(i)});
            if (!names.insert(Lower(d.Name)).second)
                fail("the device name " + d.Name + " is used twice");
            if (!d.Link.empty() && !links.insert(d.Link).second)
                fail("the link " + d.Link + " is used twice");
            devices.push_back(std::move(d));
        }
    }
    return devices;
}

} // namespace zev::devsim
