#pragma once
// The bare updater that "zev-pack build" appends the package to when no --exe names one: the
// updater installed together with zev-pack.

#include <string>
#include <vector>

namespace zev::pack {

// The places the updater may lie, in order, for a zev-pack in the folder given: where the
// install puts it relative to zev-pack (the Debian package: /usr/lib/zev-programmer/ for
// /usr/bin/zev-pack; the Windows .zip: the same folder), then beside zev-pack under its
// built name (a build tree). Without duplicates, UTF-8.
std::vector<std::string> UpdaterPlaces(const std::string& toolFolder);

// The first of the places for the running zev-pack that holds a regular file. Raises a usage
// error that names every place looked at when none does.
std::string FindInstalledUpdater();

} // namespace zev::pack
