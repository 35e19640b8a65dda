#include "tools/zev-pack/report.h"

#include "core/cp1251.h"
#include "core/error.h"
#include "core/format.h"
#include "core/lang.h"
#include "datafiles/data_errors.h"

#include <ostream>

namespace zev::pack {

namespace {

std::string LangText(std::uint32_t language, std::uint32_t number) {
    const std::uint32_t saved = CurrentLanguage;
    CurrentLanguage = language;
    std::string text;
    GetLangText(number, text);
    CurrentLanguage = saved;
    return text;
}

std::string Hex4(std::uint32_t value) {
    return Format("0x%.4x", {value});
}

std::string JsonString(const std::string& text) {
    std::string out = "\"";
    for (const char c : text) {
        const auto b = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (b < 0x20) {
            out += Format("\\u%.4x", {static_cast<unsigned>(b)});
        } else {
            out += c;
        }
    }
    return out + "\"";
}

const char* BlockKind(const TPackageReport& report, std::size_t k) {
    const auto& image = report.package.image;
    if (image.FlashBlock() == k) return "flash";
    if (image.EepromBlock() == k) return "EEPROM";
    return "not written";
}

// The three refusals of images the bootloader would take wrongly, with their numbers.
std::string WritingExplanation(const TPackageReport& report) {
    const auto& image = report.package.image;
    if (report.code == kErrEepromTooLarge) {
        const auto eeprom = image.EepromBlock();
        const std::uint64_t contents =
            eeprom ? BlockBytes(image.Data(), image.Blocks()[*eeprom]).size() / 2 : 0;
        return Format("the EEPROM holds %d bytes: line addresses above 0xFF do not fit the "
                      "one-byte EEPROM address",
                      {contents});
    }
    const auto flashIndex = image.FlashBlock();
    if (!flashIndex) return report.code;
    const TDataBlock& flash = image.Blocks()[*flashIndex];
    const std::uint64_t bytes = BlockBytes(image.Data(), flash).size();
    const std::uint64_t written = bytes / kFlashLineSize * kFlashLineSize;
    if (report.code == kErrFlashWraps)
        return Format("the flash lines run past 0xFFFF (block at 0x%x, %d bytes): their 16-bit "
                      "addresses would wrap to 0",
                      {flash.A, written});
    const std::uint64_t ep = report.package.info.EP;
    if (2 * ep + 2 > flash.A + bytes)
        return Format("EP 0x%x (byte 0x%x) lies beyond the flash data (0x%x .. 0x%x)",
                      {ep, 2 * ep, flash.A, flash.A + bytes - 1});
    return Format("EP 0x%x (byte 0x%x) lies in the flash tail that is not written (lines end "
                  "at 0x%x)",
                  {ep, 2 * ep, flash.A + written});
}

} // namespace

TPackageReport MakeReport(const ABytes& payload) {
    TPackageReport report;
    report.payloadSize = payload.size();
    try {
        CheckPackage(payload, report.package);
        report.findings = LintPackage(report.package);
    } catch (const Error& e) {
        report.code = e.what();
    }
    if (report.package.parsed) {
        report.flashLines = report.package.image.GetFlash().size();
        try {
            report.eepromLines = report.package.image.GetEEPROM().size();
        } catch (const Error&) {
            report.eepromLines.reset();
        }
    }
    return report;
}

std::string CheckText(const TPackageReport& report) {
    if (report.code.empty()) return "OK";
    return Format(LangText(kLangEnglish, 2), {report.code});
}

std::string Explanation(const TPackageReport& report) {
    const auto& p = report.package;
    if (report.code == kErrContainerShort)
        return report.payloadSize == 0 ? "no package: no valid trailer or an empty payload"
                                       : "the payload is shorter than 2 bytes";
    if (report.code == kErrBlockTableShort)
        return p.parsed ? "the flash and EEPROM blocks do not cover the data exactly (a byte "
                          "outside them, another block holding data, or a block past the end)"
                        : "the payload is shorter than its block table";
    if (report.code == kErrNoData) return "the package holds no data bytes";
    if (report.code == kErrNoInfoRecord)
        return "no flash block (address below 0x10000) with 32 bytes of information record";
    if (report.code == kErrChecksum) {
        if (!p.checksumInData)
            return Format("EP 0x%x lies beyond the data: the checksum cannot be computed",
                          {p.info.EP});
        return "the image's checksum " + Hex4(p.checksum) + " differs from CS " + Hex4(p.info.CS);
    }
    if (report.code == kErrEepromOdd) return "the EEPROM block has an odd number of bytes";
    if (report.code == kErrEepromTooLarge || report.code == kErrFlashWraps ||
        report.code == kErrEpNotWritten)
        return WritingExplanation(report);
    return report.code;
}

std::string VersionText(std::uint16_t vp) {
    return Format("%x.%.2x", {vp >> 8, vp & 0xFF});
}

std::string WindowTitle(const TLormanBootLoaderInfo& info) {
    const std::uint32_t language = DetectLanguage(info.TX);
    return Format(LangText(language, 3),
                  {Cp1251ToUtf8(info.TX), info.VP >> 8, info.VP & 0xFF, info.IP, info.IZ});
}

void PrintReportText(std::ostream& out, const std::string& file, const TPackageReport& report) {
    const auto& p = report.package;
    out << "file: " << file << "\n";
    if (report.signature) out << "signature: " << report.signature->text << "\n";
    out << "payload size: " << report.payloadSize << "\n";
    if (p.parsed) {
        const auto& blocks = p.image.Blocks();
        out << "blocks: " << blocks.size() << "\n";
        for (std::size_t k = 0; k < blocks.size(); ++k)
            out << Format("  block %d: address 0x%x, index 0x%x, length 0x%x (%s)\n",
                          {static_cast<std::uint64_t>(k), blocks[k].A, blocks[k].I, blocks[k].L,
                           BlockKind(report, k)});
    }
    if (p.infoRead) {
        const auto& info = p.info;
        out << "device name: " << Cp1251ToUtf8(info.TX) << "\n";
        out << "title: " << WindowTitle(info) << "\n";
        out << "version: " << VersionText(info.VP) << "\n";
        out << "type: " << Hex4(info.TD) << "\n";
        out << "variant: " << unsigned{info.IP} << "\n";
        out << "board revision: " << unsigned{info.IZ} << "\n";
        out << "EP: " << Hex4(info.EP) << "\n";
        out << "CS: " << Hex4(info.CS) << "\n";
        out << "computed checksum: "
            << (p.checksumInData ? Hex4(p.checksum) : std::string("none (EP beyond the data)"))
            << "\n";
    }
    if (report.flashLines) out << "flash lines: " << *report.flashLines << "\n";
    if (p.parsed)
        out << "EEPROM lines: "
            << (report.eepromLines ? std::to_string(*report.eepromLines) : "none (odd block)")
            << "\n";
    for (const auto& finding : report.findings)
        out << (finding.error ? "error: " : "warning: ") << finding.text << "\n";
    if (!report.code.empty()) out << "reason: " << Explanation(report) << "\n";
    out << "check: " << CheckText(report) << "\n";
}

void PrintReportJson(std::ostream& out, const std::string& file, const TPackageReport& report) {
    const auto& p = report.package;
    const auto field = [&out](const std::string& name, const std::string& value,
                              bool last = false) {
        out << "  " << JsonString(name) << ": " << value << (last ? "\n" : ",\n");
    };
    const auto number = [](std::uint64_t v) { return std::to_string(v); };
    out << "{\n";
    field("file", JsonString(file));
    if (report.signature) {
        const auto truth = [](bool value) { return std::string(value ? "true" : "false"); };
        field("signed", truth(report.signature->isSigned));
        field("package_signed", truth(report.signature->packageSigned));
        field("signature", JsonString(report.signature->text));
    }
    field("payload_size", number(report.payloadSize));
    if (p.parsed) {
        std::string blocks = "[";
        for (std::size_t k = 0; k < p.image.Blocks().size(); ++k) {
            const auto& b = p.image.Blocks()[k];
            blocks += (k ? ", " : "") +
                      Format("{\"address\": %d, \"index\": %d, \"length\": %d, ", {b.A, b.I, b.L}) +
                      "\"kind\": " + JsonString(BlockKind(report, k)) + "}";
        }
        field("blocks", blocks + "]");
    } else {
        field("blocks", "null");
    }
    const bool info = p.infoRead;
    field("device_name", info ? JsonString(Cp1251ToUtf8(p.info.TX)) : "null");
    field("title", info ? JsonString(WindowTitle(p.info)) : "null");
    field("version", info ? JsonString(VersionText(p.info.VP)) : "null");
    field("version_raw", info ? number(p.info.VP) : "null");
    field("type", info ? number(p.info.TD) : "null");
    field("variant", info ? number(p.info.IP) : "null");
    field("board_revision", info ? number(p.info.IZ) : "null");
    field("ep", info ? number(p.info.EP) : "null");
    field("cs", info ? number(p.info.CS) : "null");
    field("computed_checksum", info && p.checksumInData ? number(p.checksum) : "null");
    field("flash_lines", report.flashLines ? number(*report.flashLines) : "null");
    field("eeprom_lines", report.eepromLines ? number(*report.eepromLines) : "null");
    std::string findings = "[";
    for (std::size_t k = 0; k < report.findings.size(); ++k)
        findings += (k ? ", " : "") + std::string("{\"error\": ") +
                    (report.findings[k].error ? "true" : "false") +
                    ", \"text\": " + JsonString(report.findings[k].text) + "}";
    field("findings", findings + "]");
    field("ok", report.code.empty() ? "true" : "false");
    field("code", report.code.empty() ? "null" : JsonString(report.code));
    field("reason", report.code.empty() ? "null" : JsonString(Explanation(report)));
    field("check", JsonString(CheckText(report)), true);
    out << "}\n";
}

} // namespace zev::pack
