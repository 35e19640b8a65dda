#pragma once
// The update package the benchmark writes, read and checked the way the updater does it, and
// the check of what a simulated device holds afterwards.

#include "datafiles/package_check.h"
#include "support/devsim_fixture.h"

#include <string>

namespace zev::bench {

// Reads the package appended to pPath and runs the updater's check. Raises an error naming the
// file and the failed step.
TCheckedPackage LoadPackage(const std::string& pPath);

// True when the device's memory dump holds every line of the package; else false with the
// first difference in pWhy.
bool DeviceHoldsPackage(const test::TSimDeviceDump& pDump, const TCheckedPackage& pPackage,
                        std::string& pWhy);

} // namespace zev::bench
