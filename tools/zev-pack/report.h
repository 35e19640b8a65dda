#pragma once
// What zev-pack knows about a package: the updater's check and its record, as text or JSON.

#include "datafiles/abytes.h"
#include "datafiles/package_check.h"
#include "datafiles/package_lint.h"
#include "tools/zev-pack/signature.h"

#include <iosfwd>
#include <optional>
#include <string>

namespace zev::pack {

struct TPackageReport {
    std::size_t payloadSize = 0;
    TCheckedPackage package;
    std::string code;          // the updater's error code; empty when the check passes
    APackageFindings findings; // only for a package that passes
    // Line counts of whatever image was read, also when the check failed after reading it.
    std::optional<std::size_t> flashLines;
    std::optional<std::size_t> eepromLines; // none for an odd EEPROM block
    // The file's signature, for a report on a file (none on a bare payload).
    std::optional<TSignatureFacts> signature;
};

// Runs the updater's check on a payload (an empty one is "no package") and the writing checks.
TPackageReport MakeReport(const ABytes& payload);

// "OK" or "Error [CODE]: Data corrupted.", the updater's own line.
std::string CheckText(const TPackageReport& report);

// Why the check failed, in words, with the numbers that matter.
std::string Explanation(const TPackageReport& report);

// The window title the updater shows for the record, in the language its name chooses (UTF-8).
std::string WindowTitle(const TLormanBootLoaderInfo& info);

// The version as the title shows it: 1.05.
std::string VersionText(std::uint16_t vp);

void PrintReportText(std::ostream& out, const std::string& file, const TPackageReport& report);
void PrintReportJson(std::ostream& out, const std::string& file, const TPackageReport& report);

} // namespace zev::pack
