#pragma once
// Checks that go beyond the updater's start-up check: what the updater would write in a way the
// package's maker may not mean (a tail that fills no line, high EEPROM bytes, no EEPROM, a flash
// block the checksum does not cover as laid out). What the updater would write wrongly is
// refused by the check itself. The package tool runs these before it writes a package; errors
// refuse the package, warnings are shown.

#include "datafiles/package_check.h"

#include <string>
#include <vector>

namespace zev {

struct TPackageFinding {
    bool error = false; // false: a warning
    std::string text;
};

using APackageFindings = std::vector<TPackageFinding>;

// Looks at a package that passed CheckPackage (result.linesCut).
APackageFindings LintPackage(const TCheckedPackage& package);

} // namespace zev
