// "zev-pack build" without --exe: the updater installed with zev-pack, found from where zev-pack
// itself lies. zev-pack is copied into folders laid out as the Debian package and a build tree
// lay it out, with stand-in updaters of their own bytes.

#include "datafiles/package_trailer.h"
#include "support/temp_file.h"
#include "zev_pack_run.h"
#include "zev_version.h"

#include <gtest/gtest.h>

#include <fstream>

namespace zev {
namespace {

namespace fs = std::filesystem;

// A folder tree with zev-pack in bin/ and the given updaters, each holding its own path as its
// bytes.
struct Layout {
    fs::path root = test::ScratchPath("prefix");
    fs::path tool = root / "bin" / "zev-pack";

    explicit Layout(const std::vector<std::string>& updaters) {
        fs::create_directories(tool.parent_path());
        fs::copy_file(ZEV_PACK_PATH, tool);
        for (const std::string& relative : updaters) {
            const fs::path path = root / relative;
            fs::create_directories(path.parent_path());
            std::ofstream(path, std::ios::binary) << relative;
            fs::permissions(path, fs::perms::owner_all);
        }
    }

    RunResult Build(const std::vector<std::string>& extra, const fs::path& out) const {
        std::vector<std::string> args = {"build", "--hex", Sample(), "-o", out.string()};
        args.insert(args.end(), extra.begin(), extra.end());
        return RunProgram(tool.string(), args);
    }

    static std::string Sample() {
        return (fs::path(ZEV_SOURCE_DIR) / "samples" / "demo-firmware.hex").string();
    }
};

// The updater part of a built file: its bytes before the package.
// The updater's bytes in front of the package, without the zero bytes that build pads them with
// to a multiple of 8 (the fake updaters are text, so they end in no zero byte of their own).
std::string UpdaterOf(const fs::path& built) {
    const ABytes bytes = FileBytes(built);
    const auto span = PackageSpanOfBytes(bytes);
    if (!span) return "(no package)";
    std::string updater(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(span->offset));
    const std::size_t padding = updater.size() - (updater.find_last_not_of('\0') + 1);
    EXPECT_LT(padding, 8u) << "build pads with at most 7 zero bytes";
    updater.resize(updater.size() - padding);
    return updater;
}

TEST(ZevPackUpdaterLookup, WithoutExeTakesTheInstalledUpdaterAndSaysWhich) {
    const std::string installed = "lib/zev-programmer/zev-programmer";
    const std::string beside = "bin/zev-programmer";
    struct Case {
        const char* what;
        std::vector<std::string> updaters;
        std::string taken;
    };
    const Case cases[] = {
        {"the Debian package's layout", {installed}, installed},
        {"a build tree: the updater beside zev-pack", {beside}, beside},
        {"both: the installed one first", {beside, installed}, installed},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Layout layout(c.updaters);
        const fs::path out = test::ScratchPath("out");
        const RunResult r = layout.Build({}, out);
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out.substr(0, r.out.find('\n')),
                  "updater: " + (layout.root / c.taken).string() +
                      " (installed beside zev-pack; --exe names another)");
        EXPECT_EQ(UpdaterOf(out), c.taken);
        EXPECT_EQ(RunProgram(layout.tool.string(), {"info", out.string()}).LastLine(), "check: OK");
    }
}

TEST(ZevPackUpdaterLookup, ExeWinsAndNoUpdaterIsAUsageErrorNamingThePlaces) {
    const Layout layout({"lib/zev-programmer/zev-programmer"});
    const fs::path other = test::WriteScratchFile("other-updater", "other");
    const fs::path out = test::ScratchPath("out");
    RunResult r = layout.Build({"--exe", other.string()}, out);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.find("updater:"), std::string::npos) << r.out;
    EXPECT_EQ(UpdaterOf(out), "other");

    const Layout empty({});
    r = empty.Build({}, out);
    EXPECT_EQ(r.status, 2);
    for (const fs::path& place :
         {empty.root / "lib/zev-programmer/zev-programmer", empty.root / "bin/zev-programmer"})
        EXPECT_NE(r.err.find(place.string()), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("--exe UPDATER"), std::string::npos) << r.err;
    EXPECT_EQ(UpdaterOf(out), "other") << "the earlier output is left as it was";
}

TEST(ZevPackUpdaterLookup, VersionIsTheProjects) {
    const RunResult r = Pack({"--version"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, std::string("zev-pack ") + ZEV_VERSION_TEXT + "\n");
}

} // namespace
} // namespace zev
