#include "tools/zev-devsim/options.h"

#include "core/error.h"
#include "tools/zev-devsim/values.h"

namespace zev::devsim {

TOptions ParseOptions(const std::vector<std::string>& pArgs) {
    TOptions o;
    TGroup* group = nullptr;
    std::size_t i = 0;
    const auto value = [&](const std::string& opt) -> std::string {
        if (i + 1 >= pArgs.size()) Raise(opt + " needs a value");
        return pArgs[++i];
    };
    // A device key for the last device given, or for all devices before any is given.
    const auto set = [&](const std::string& key, const std::string& v) {
        TDeviceConfig probe;
        ApplyKey(probe, key, v);
        if (group != nullptr)
            group->Keys.emplace_back(key, v);
        else
            o.Setup.Defaults.emplace_back(key, v);
    };
    for (; i < pArgs.size(); ++i) {
        const std::string a = pArgs[i];
        if (a == "-h" || a == "--help") {
            o.Help = true;
        } else if (a == "--version") {
            o.Version = true;
        } else if (a == "-c" || a == "--config") {
            o.ConfigFiles.push_back(value(a));
        } else if (a == "-d" || a == "--device") {
            o.Setup.Groups.push_back(TGroup{value(a), 1, {}, "command line"});
            group = &o.Setup.Groups.back();
        } else if (a == "-n" || a == "--devices") {
            const auto n = static_cast<std::uint32_t>(ParseNumber(value(a), 1, 1024));
            o.Setup.Groups.push_back(TGroup{"dev", n, {}, "command line"});
            if (n == 1) o.Setup.Groups.back().Name = "dev1";
            group = &o.Setup.Groups.back();
        } else if (a == "-s" || a == "--set") {
            const std::string kv = value(a);
            const std::size_t eq = kv.find('=');
            if (eq == std::string::npos) Raise("--set takes KEY=VALUE, not '" + kv + "'");
            set(kv.substr(0, eq), kv.substr(eq + 1));
        } else if (a == "--link") {
            set("link", value(a));
        } else if (a == "--fault") {
            set("fault", value(a));
        } else if (a == "--paced") {
            set("timing", "paced");
        } else if (a == "--instant") {
            set("timing", "instant");
        } else if (a == "--dump") {
            o.DumpDir = value(a);
        } else if (a == "-v" || a == "--verbose") {
            o.Verbose = true;
        } else if (a == "--realtime") {
            o.Realtime = true;
        } else if (a == "--die-with-parent") {
            o.DieWithParent = true;
        } else {
            Raise("unknown option '" + a + "' (see --help)");
        }
    }
    return o;
}

} // namespace zev::devsim
