#include "tools/zev-pack/updater_lookup.h"

#include "core/utf8_path.h"
#include "platform/system.h"
#include "tools/zev-pack/args.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

// Set by the build from the install layout: the updater's path relative to zev-pack's folder
// ('/' between the parts) and the updater's file name as built.
#ifndef ZEV_UPDATER_FROM_TOOL
#error "ZEV_UPDATER_FROM_TOOL must name the installed updater relative to zev-pack"
#endif
#ifndef ZEV_UPDATER_FILE_NAME
#error "ZEV_UPDATER_FILE_NAME must name the updater as built"
#endif

namespace zev::pack {

std::vector<std::string> UpdaterPlaces(const std::string& toolFolder) {
    const std::filesystem::path folder = Utf8Path(toolFolder);
    std::vector<std::string> places;
    for (const char* relative : {ZEV_UPDATER_FROM_TOOL, ZEV_UPDATER_FILE_NAME}) {
        const std::string place = Utf8Text((folder / Utf8Path(relative)).lexically_normal());
        if (std::find(places.begin(), places.end(), place) == places.end()) places.push_back(place);
    }
    return places;
}

std::string FindInstalledUpdater() {
    const std::vector<std::string> places = UpdaterPlaces(os::ExecutableFolder());
    for (const std::string& place : places) {
        std::error_code ec;
        if (std::filesystem::is_regular_file(Utf8Path(place), ec)) return place;
    }
    std::string looked;
    for (const std::string& place : places) looked += (looked.empty() ? "" : ", ") + place;
    throw UsageError{"no updater installed beside zev-pack (looked for " + looked +
                     "): name one with --exe UPDATER"};
}

} // namespace zev::pack
