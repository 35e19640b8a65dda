#include "core/utf8_path.h"
#include "datafiles/package_trailer.h"
#include "tools/zev-pack/args.h"
#include "tools/zev-pack/commands.h"
#include "tools/zev-pack/report.h"
#include "tools/zev-pack/signature.h"

#include <iostream>

namespace zev::pack {

int RunInfo(const std::vector<std::string>& words) {
    const Args args(words, {}, {"--json"});
    if (args.Positional().size() != 1) throw UsageError{"give exactly one FILE"};
    const std::string file = args.Positional().front();

    // The updater's own way: the trailer, then the payload before it.
    std::ifstream stream = OpenFileForReading(Utf8Path(file));
    ABytes payload;
    const auto location = ReadLocatedPackage(stream, payload);
    TPackageReport report = MakeReport(payload);
    report.signature =
        SignatureFacts(StreamSize(stream).value_or(0), ReadAtStream(stream), location);
    if (args.Flag("--json"))
        PrintReportJson(std::cout, file, report);
    else
        PrintReportText(std::cout, file, report);
    return report.code.empty() ? kExitOk : kExitFailed;
}

} // namespace zev::pack
