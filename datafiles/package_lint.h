#pragma once
// Checks that go beyond the updater's start-up check: what the updater would only discover
// while writing a device, or would silently get wrong. The package tool runs them before it
// writes a package; errors refuse the package, warnings are shown.

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
