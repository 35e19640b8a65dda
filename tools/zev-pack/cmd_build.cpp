#include "core/error.h"
#include "core/format.h"
#include "datafiles/package_builder.h"
#include "datafiles/package_trailer.h"
#include "tools/zev-pack/args.h"
#include "tools/zev-pack/commands.h"
#include "tools/zev-pack/file_io.h"
#include "tools/zev-pack/hex_input.h"
#include "tools/zev-pack/report.h"

#include <iostream>

namespace zev::pack {

namespace {

ABytes PayloadFromHex(const std::vector<std::string>& files) {
    THexInput input;
    for (const std::string& file : files) ReadHexInput(file, input);
    for (const std::string& warning : input.warnings) std::cerr << "warning: " << warning << "\n";
    const TFirmwareImages images = MergeSegments(input);
    return MakePackagePayload(images.flashAddress, images.flash, images.eepromAddress,
                              images.eeprom);
}

} // namespace

int RunBuild(const std::vector<std::string>& words) {
    const Args args(words, {"--exe", "--hex", "--payload", "-o", "--output"}, {});
    if (!args.Positional().empty())
        throw UsageError{"unexpected argument \"" + args.Positional().front() + "\""};
    const std::string exe = args.Required("--exe");
    const auto hexFiles = args.Values("--hex");
    const auto payloadFile = args.Value("--payload");
    const std::string out = args.Output();
    if (hexFiles.empty() == !payloadFile)
        throw UsageError{"give either --hex FILE (one or more) or --payload FILE"};

    ABytes program = ReadFileBytes(exe);
    const ABytes payload = payloadFile ? ReadFileBytes(*payloadFile) : PayloadFromHex(hexFiles);

    // The updater's start-up check, then what it would only find while writing.
    const TPackageReport report = MakeReport(payload);
    if (!report.code.empty()) {
        std::cerr << "zev-pack build: the package fails the updater's check: " << CheckText(report)
                  << " (" << Explanation(report) << "); nothing written\n";
        return kExitFailed;
    }
    bool refused = false;
    for (const auto& finding : report.findings) {
        std::cerr << (finding.error ? "error: " : "warning: ") << finding.text << "\n";
        refused = refused || finding.error;
    }
    if (refused) {
        std::cerr << "zev-pack build: the updater would not write this package correctly; "
                     "nothing written\n";
        return kExitFailed;
    }

    const auto span = PackageSpanOfBytes(program);
    if (span && span->length > 0) {
        std::cerr << "note: " << exe << " already carries a package of " << span->length
                  << " bytes; it is replaced\n";
        program.resize(static_cast<std::size_t>(span->offset));
    }
    const ABytes file = AppendPackage(program, payload);
    WriteFileAtomically(out, file, PermissionsOf(exe));

    const auto& info = report.package.info;
    std::cout << "wrote " << out << ": " << program.size() << " bytes of updater + "
              << payload.size() << " bytes of package + 8 bytes of trailer\n"
              << "package: " << WindowTitle(info) << ", type " << Format("0x%.4x", {info.TD})
              << ", " << report.package.flash.size() << " flash lines, "
              << report.package.eeprom.size() << " EEPROM lines\n";
    return kExitOk;
}

} // namespace zev::pack
