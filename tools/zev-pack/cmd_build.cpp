#include "core/error.h"
#include "core/format.h"
#include "datafiles/package_builder.h"
#include "datafiles/package_check.h"
#include "datafiles/package_trailer.h"
#include "tools/zev-pack/args.h"
#include "tools/zev-pack/checksum.h"
#include "tools/zev-pack/commands.h"
#include "tools/zev-pack/file_io.h"
#include "tools/zev-pack/hex_input.h"
#include "tools/zev-pack/report.h"
#include "tools/zev-pack/signature.h"

#include <iostream>

namespace zev::pack {

namespace {

std::string Range(const TAddressRange& range) {
    return Format("0x%x-0x%x (%d bytes)", {range.first, range.last, range.Size()});
}

// The package of the HEX files, and what was left out of them or added, told on the way.
ABytes PayloadFromHex(const std::vector<std::string>& files, std::uint32_t eepromAddress,
                      bool strict) {
    THexInput input;
    for (const std::string& file : files) ReadHexInput(file, input);
    for (const std::string& warning : input.warnings) std::cerr << "warning: " << warning << "\n";
    const TFirmwareImages images = MergeSegments(input, eepromAddress);

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
    if (images.eepromLeadGap)
        std::cout << "EEPROM image begins at " << Format("0x%x", {images.eepromAddress}) << ": "
                  << Range(*images.eepromLeadGap) << " before its first data are 0x00\n";
    return MakePackagePayload(images.flashAddress, images.flash, images.eepromAddress,
                              images.eeprom);
}

std::uint32_t EepromAddressOption(const Args& args) {
    const auto text = args.Value("--eeprom-at");
    if (!text) return kPackageEepromAddress;
    const std::uint32_t address = ParseNumber("--eeprom-at", *text, kPackageEepromLimit);
    if (address <= kPackageFlashLimit || address % 2 != 0)
        throw UsageError{Format("--eeprom-at takes an even address above the flash limit 0x%x "
                                "and at most 0x%x",
                                {kPackageFlashLimit, kPackageEepromLimit})};
    return address;
}

} // namespace

int RunBuild(const std::vector<std::string>& words) {
    const Args args(words, {"--exe", "--hex", "--payload", "--eeprom-at", "-o", "--output"},
                    {"--set-checksum", "--strict"});
    if (!args.Positional().empty())
        throw UsageError{"unexpected argument \"" + args.Positional().front() + "\""};
    const std::string exe = args.Required("--exe");
    const auto hexFiles = args.Values("--hex");
    const auto payloadFile = args.Value("--payload");
    const std::string out = args.Output();
    if (hexFiles.empty() == !payloadFile)
        throw UsageError{"give either --hex FILE (one or more) or --payload FILE"};
    if (payloadFile && (args.Value("--eeprom-at") || args.Flag("--strict")))
        throw UsageError{"--eeprom-at and --strict sort HEX data: they go with --hex"};
    const std::uint32_t eepromAddress = EepromAddressOption(args);

    ABytes program = ReadFileBytes(exe);
    ABytes payload = payloadFile ? ReadFileBytes(*payloadFile)
                                 : PayloadFromHex(hexFiles, eepromAddress, args.Flag("--strict"));
    if (args.Flag("--set-checksum")) {
        if (const auto change = SetChecksum(payload)) {
            if (change->before == change->after)
                std::cout << Format("CS 0x%.4x is already the checksum of words 2 to EP 0x%.4x\n",
                                    {change->before, change->ep});
            else
                std::cout << Format("CS set: 0x%.4x -> 0x%.4x (words 2 to EP 0x%.4x)\n",
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
    std::cout << "wrote " << out << ": " << program.size() << " bytes of updater + "
              << payload.size() << " bytes of package + 8 bytes of trailer\n"
              << "package: " << WindowTitle(info) << ", type " << Format("0x%.4x", {info.TD})
              << ", " << report.package.flash.size() << " flash lines, "
              << report.package.eeprom.size() << " EEPROM lines\n";
    return kExitOk;
}

} // namespace zev::pack
