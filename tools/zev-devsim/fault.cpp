#include "tools/zev-devsim/fault.h"

#include "core/error.h"
#include "tools/zev-devsim/values.h"

#include <sstream>
#include <vector>

namespace zev::devsim {

namespace {
const char* const kKinds[] = {"drop", "nibble", "short", "noise", "silence", "close", "idlen"};
const char* const kCmds[] = {"id", "eeprom", "flash", "reset"};
} // namespace

const char* FaultKindName(TFaultKind pKind) {
    return kKinds[static_cast<int>(pKind)];
}

bool TFault::Hits(int pCmd, std::optional<std::uint32_t> pAddr) {
    if (Cmd != kCmdAny && Cmd != pCmd) return false;
    if (Addr && (!pAddr || *pAddr != *Addr)) return false;
    const std::uint64_t k = ++Seen;
    switch (When) {
    case TFaultWhen::Always:
        return true;
    case TFaultWhen::Nth:
        return k == N;
    case TFaultWhen::Every:
        return k % N == 0;
    case TFaultWhen::First:
        return k <= N;
    case TFaultWhen::After:
        return k > N;
    }
    return false;
}

TFault ParseFault(const std::string& pText) {
    std::istringstream in(pText);
    std::vector<std::string> words;
    for (std::string w; in >> w;) words.push_back(w);
    const auto bad = [&](const std::string& why) { Raise("fault '" + pText + "': " + why); };
    if (words.empty()) bad("empty; write for example 'drop flash n=3'");

    TFault f;
    f.Text = Trim(pText);
    bool kindFound = false;
    for (int k = 0; k < 7; ++k) {
        if (Lower(words[0]) == kKinds[k]) {
            f.Kind = static_cast<TFaultKind>(k);
            kindFound = true;
        }
    }
    if (!kindFound)
        bad("unknown kind '" + words[0] + "' (drop, nibble, short, noise, silence, close, idlen)");
    if (f.Kind == TFaultKind::IdLen) {
        f.Cmd = kCmdIdentity;
        f.Len = 49;
    }

    bool whenSet = false;
    for (std::size_t i = 1; i < words.size(); ++i) {
        const std::string w = Lower(words[i]);
        const std::size_t eq = w.find('=');
        if (eq == std::string::npos) {
            int cmd = w == "any" ? kCmdAny : -2;
            for (int c = 0; c < 4; ++c)
                if (w == kCmds[c]) cmd = c;
            if (cmd == -2)
                bad("unknown word '" + words[i] +
                    "' (a command: id, eeprom, flash, reset, any; or key=value)");
            if (i != 1) bad("the command comes right after the kind");
            if (f.Kind == TFaultKind::IdLen && cmd != kCmdIdentity) bad("idlen applies to id only");
            f.Cmd = cmd;
            continue;
        }
        const std::string key = w.substr(0, eq);
        const std::string value = w.substr(eq + 1);
        try {
            if (key == "n" || key == "every" || key == "first" || key == "after") {
                if (whenSet) bad("give only one of n=, every=, first=, after=");
                whenSet = true;
                f.When = key == "n"       ? TFaultWhen::Nth
                         : key == "every" ? TFaultWhen::Every
                         : key == "first" ? TFaultWhen::First
                                          : TFaultWhen::After;
                f.N = ParseNumber(value, key == "after" || key == "first" ? 0 : 1, 1000000000);
            } else if (key == "addr") {
                if (f.Cmd != kCmdFlash && f.Cmd != kCmdEeprom)
                    bad("addr= needs the command flash or eeprom before it");
                f.Addr = static_cast<std::uint32_t>(ParseNumber(value, 0, 0xFFFF));
            } else if (key == "len" &&
                       (f.Kind == TFaultKind::Short || f.Kind == TFaultKind::IdLen)) {
                f.Len =
                    static_cast<int>(ParseNumber(value, f.Kind == TFaultKind::IdLen ? 3 : 0, 258));
            } else if (key == "bytes" && f.Kind == TFaultKind::Noise) {
                f.Bytes = static_cast<int>(ParseNumber(value, 1, 256));
            } else {
                bad("'" + key + "=' does not apply here");
            }
        } catch (const Error& e) {
            const std::string m = e.what();
            if (m.rfind("fault '", 0) == 0) throw;
            bad(m);
        }
    }
    return f;
}

} // namespace zev::devsim
