// The port setup record loaded from an INI file of any content: loading must never fail, and a
// record loaded from anything must survive being saved and loaded again unchanged.

#include "comport/cpc_setup.h"
#include "comport/detail/ini_file.h"
#include "fuzz/fuzz_support.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <unistd.h>

using namespace zev;
using zev::fuzz::Expect;

namespace {

// A folder of this process for the two files each input needs.
const std::string& Folder() {
    static const std::string folder = [] {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/zev-fuzz-ini-XXXXXX";
        if (!::mkdtemp(pattern.data())) zev::fuzz::Finding("cannot make a scratch folder");
        return pattern;
    }();
    return folder;
}

bool SameSetup(const TCPCSetup& a, const TCPCSetup& b) {
    const auto& x = a.DCB;
    const auto& y = b.DCB;
    return x.DCBlength == y.DCBlength && x.BaudRate == y.BaudRate && x.Flags == y.Flags &&
           x.XonLim == y.XonLim && x.XoffLim == y.XoffLim && x.ByteSize == y.ByteSize &&
           x.Parity == y.Parity && x.StopBits == y.StopBits && x.XonChar == y.XonChar &&
           x.XoffChar == y.XoffChar && x.ErrorChar == y.ErrorChar && x.EofChar == y.EofChar &&
           x.EvtChar == y.EvtChar && a.CTO.ReadIntervalTimeout == b.CTO.ReadIntervalTimeout &&
           a.CTO.ReadTotalTimeoutMultiplier == b.CTO.ReadTotalTimeoutMultiplier &&
           a.CTO.ReadTotalTimeoutConstant == b.CTO.ReadTotalTimeoutConstant &&
           a.CTO.WriteTotalTimeoutMultiplier == b.CTO.WriteTotalTimeoutMultiplier &&
           a.CTO.WriteTotalTimeoutConstant == b.CTO.WriteTotalTimeoutConstant && a.BIN == b.BIN &&
           a.BOU == b.BOU;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input = Folder() + "/in.ini";
    const std::string output = Folder() + "/out.ini";
    std::ofstream(input, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));

    TCPCSetup loaded;
    loaded.Default(19200, 1);
    loaded.IniLoad(input);

    ::unlink(output.c_str());
    loaded.IniSave(output);
    TCPCSetup again;
    again.Default(19200, 1);
    again.IniLoad(output);
    Expect(SameSetup(loaded, again), "a loaded setup changed through saving and loading");

    // The number reader alone, on the whole input as one value.
    const std::string text(reinterpret_cast<const char*>(data), size);
    if (const auto value = ParseIniInteger(text)) {
        Expect(ParseIniInteger(std::to_string(*value)) == value,
               "a number read does not read back from its decimal text");
    }
    return 0;
}
