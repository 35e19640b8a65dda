#include "core/error.h"
#include "core/format.h"
#include "datafiles/package_builder.h"
#include "datafiles/package_check.h"
#include "datafiles/package_trailer.h"
#include "tools/zev-pack/args.h"
#include "tools/zev-pack/checksum.h"
#include "tools/zev-pack/commands.h"
#include "tools/zev-pack/file_io.h"
#include "tools/zev-pack/firmware_checks.h"
#include "tools/zev-pack/hex_input.h"
#include "tools/zev-pack/part_layout.h"
#include "tools/zev-pack/report.h"
#include "tools/zev-pack/signature.h"
#include "tools/zev-pack/updater_lookup.h"

#include <iostream>

namespace zev::pack {

namespace {

std::string Range(const TAddressRange& range) {
    return Format("0x%x-0x%x (%d bytes)", {range.first, range.last, range.Size()});
}

// The package of the HEX files, and what was left out of them or added, told on the way.
ABytes PayloadFromHex(const std::vector<std::string>& files, const TPartLayout& layout,
                      bool strict) {
    THexInput input;
    for (const std::string& file : files) ReadHexInput(file, input);
    TFirmwareImages images = MergeSegments(input, layout.FlashLimit(), layout.eepromAt);
    RefuseFirmwareProblems(images, layout);

    const std::string why = ": neither flash nor EEPROM; the bootloader does not write it";
    if (strict && !images.leftOut.empty()) {
        std::string message = "refusing the firmware (--strict): data the bootloader does not "
                              "write";
        for (const auto& range : images.leftOut)
            message += "\n  " + range.source + ": " + Range(range) + why;
        Raise(message);
    }
    for (const auto& range : images.leftOut)
        std::cout << "left out " << Range(range) << why << " (from " << range.source << ")\n";
    if (images.flashPadding)
        std::cout << "padded flash " << Range(*images.flashPadding)
                  << " with 0xFF (erased flash) to end on a whole 64-byte line\n";
    if (layout.eepromFill)
        for (const auto& note : FillEepromCells(images, *layout.eepromFill))
            std::cout << note << "\n";
    return MakePackagePayload(images.flashAddress, images.flash, layout.PackageEepromAddress(),
                              images.eeprom);
}

} // namespace

int RunBuild(const std::vector<std::string>& words) {
    std::vector<std::string> valueOptions = {"--exe", "--hex", "--payload", "-o", "--output"};
    const auto& layoutOptions = PartLayoutOptionNames();
    valueOptions.insert(valueOptions.end(), layoutOptions.begin(), layoutOptions.end());
    const Args args(words, valueOptions, {"--set-checksum", "--strict"});
    if (!args.Positional().empty())
        throw UsageError{"unexpected argument \"" + args.Positional().front() + "\""};
    const auto hexFiles = args.Values("--hex");
    const auto payloadFile = args.Value("--payload");
    const std::string out = args.Output();
    if (hexFiles.empty() == !payloadFile)
        throw UsageError{"give either --hex FILE (one or more) or --payload FILE"};
    if (payloadFile && (PartLayoutGiven(args) || args.Flag("--strict")))
        throw UsageError{"--record-at, --flash-end, --eeprom-at, --eeprom-fill and --strict sort "
                         "HEX data: they go with --hex"};
    const TPartLayout layout = PartLayoutOptions(args);
    const std::optional<std::string> exeOption = args.Value("--exe");
    const std::string exe = exeOption ? *exeOption : FindInstalledUpdater();
    if (!exeOption)
        std::cout << "updater: " << exe << " (installed beside zev-pack; --exe names another)\n";

    ABytes program = ReadFileBytes(exe);
    ABytes payload = payloadFile ? ReadFileBytes(*payloadFile)
                                 : PayloadFromHex(hexFiles, layout, args.Flag("--strict"));
    // Told only with the updater written: a refused package sets nothing.
    std::string checksumNote;
    if (args.Flag("--set-checksum")) {
        if (const auto change = SetChecksum(payload)) {
            if (change->before == change->after)
                checksumNote = Format("CS 0x%.4x is already the checksum of words 2 to EP 0x%.4x\n",
                                      {change->before, change->ep});
            else
                checksumNote = Format("CS set: 0x%.4x -> 0x%.4x (words 2 to EP 0x%.4x)\n",
                                      {change->before, change->after, change->ep});
        }
    }

    // The updater's start-up check, then what it would only find while writing.
    const TPackageReport report = MakeReport(payload);
    if (!report.code.empty()) {
        std::cerr << "zev-pack build: the package fails the updater's check: " << CheckText(report)
                  << " (" << Explanation(report) << "); nothing written\n";
        if (report.code == "0x0304" && !args.Flag("--set-checksum"))
            std::cerr << "hint: --set-checksum writes the checksum into the record's CS\n";
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

    RefuseSignedProgram(exe, program);
    const auto span = PackageSpanOfBytes(program);
    if (span && span->length > 0) {
        std::cerr << "note: " << exe << " already carries a package of " << span->length
                  << " bytes; it is replaced\n";
        program.resize(static_cast<std::size_t>(span->offset));
    }
    const ABytes file = AppendPackageAligned(program, payload);
    WriteFileAtomically(out, file, PermissionsOf(exe));
    PrintPadding(program.size(), payload.size());

    const auto& info = report.package.info;
    std::cout << checksumNote << "wrote " << out << ": " << program.size() << " bytes of updater + "
              << payload.size() << " bytes of package + 8 bytes of trailer\n"
              << "package: " << WindowTitle(info) << ", type " << Format("0x%.4x", {info.TD})
              << ", " << report.package.flash.size() << " flash lines, "
              << report.package.eeprom.size() << " EEPROM lines\n";
    return kExitOk;
}

} // namespace zev::pack
