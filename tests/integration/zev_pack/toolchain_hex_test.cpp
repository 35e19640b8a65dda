// A real toolchain's output made into an updater: gpasm's HEX file of the PUMP-1 firmware, with
// its user ID and configuration words, data EEPROM as words, gaps, a last line cut short and no
// checksum in its record.

#include "datafiles/hex_data_file.h"
#include "datafiles/package_check.h"
#include "datafiles/package_trailer.h"
#include "zev_pack_run.h"

#include <gtest/gtest.h>

namespace zev {
namespace {

const fs::path kSamples = fs::path(ZEV_SOURCE_DIR) / "samples" / "toolchain";
const fs::path kHex = kSamples / "pump-1.hex";      // CS 0, as the toolchain wrote it
const fs::path kHexCs = kSamples / "pump-1-cs.hex"; // CS already right

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// The firmware as the updater's own HEX reader sees it: its blocks' bytes by device address.
ABytes ReaderBytes(const fs::path& hex, std::uint32_t first, std::size_t count) {
    THexDataFile file;
    file.SetInfo(kPackageFlashLimit, kPackageEepromLimit);
    file.Load(hex);
    for (const TDataBlock& block : file.Blocks())
        if (block.A <= first && first + count <= std::uint64_t{block.A} + block.L) {
            const auto at = file.Data().begin() + block.I + (first - block.A);
            return ABytes(at, at + static_cast<std::ptrdiff_t>(count));
        }
    ADD_FAILURE() << "no block holds " << first;
    return {};
}

class ToolchainHex : public ::testing::Test {
protected:
    fs::path updater = MakeUpdater();
    fs::path out = test::ScratchPath("PUMP-1.06");

    RunResult Build(const std::vector<std::string>& extra, const fs::path& to) {
        std::vector<std::string> args = {"build", "--exe", updater.string()};
        args.insert(args.end(), extra.begin(), extra.end());
        args.insert(args.end(), {"-o", to.string()});
        return Pack(args);
    }
};

TEST_F(ToolchainHex, PacksAsItIsWithTheChecksumSetAndReadsBackExactly) {
    const RunResult r = Build({"--hex", kHex.string(), "--set-checksum"}, out);
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_EQ(r.err, "") << "nothing to warn of";
    for (const char* line :
         {"left out 0x10000-0x10007 (8 bytes): neither flash nor EEPROM; the bootloader does not "
          "write it",
          "left out 0x1000E-0x10011 (4 bytes): neither flash nor EEPROM; the bootloader does not "
          "write it",
          "padded flash 0x60C-0x63F (52 bytes) with 0xFF", "CS set: 0x0000 -> 0x01DE"})
        EXPECT_TRUE(Contains(r.out, line)) << line << "\n" << r.out;

    const RunResult info = Pack({"info", out.string()});
    EXPECT_EQ(info.status, 0);
    EXPECT_EQ(info.LastLine(), "check: OK") << info.out;

    // The updater's own reading of the file it was given.
    ABytes payload;
    ASSERT_TRUE(ReadPackageFromFile(out, payload));
    const TCheckedPackage package = CheckPackage(payload);
    ASSERT_EQ(package.image.Blocks().size(), 2u) << "flash and EEPROM, nothing else";
    EXPECT_EQ(package.info.TX, "PUMP-1");
    EXPECT_EQ(package.info.VP, 0x0106);
    EXPECT_EQ(package.info.EP, 0x0305);
    EXPECT_EQ(package.info.CS, 0x01DE);

    // Flash: the toolchain's bytes from 0x400 (gaps 0x00, CS set), then 0xFF to the line's end.
    ABytes flash = ReaderBytes(kHex, 0x400, 0x20C);
    flash[2] = 0xDE;
    flash[3] = 0x01;
    flash.resize(0x240, 0xFF);
    ASSERT_EQ(package.flash.size(), 9u);
    ABytes lines;
    for (std::size_t k = 0; k < package.flash.size(); ++k) {
        EXPECT_EQ(package.flash[k].A, 0x400 + 64 * k);
        lines.insert(lines.end(), package.flash[k].D.begin(), package.flash[k].D.end());
    }
    EXPECT_EQ(lines, flash);
    // EEPROM: the low bytes of the words at 0x1E000, written from EEPROM address 0.
    const ABytes words = ReaderBytes(kHex, 0x1E000, 0x14);
    ASSERT_EQ(package.eeprom.size(), 1u);
    EXPECT_EQ(package.eeprom[0].A, 0);
    EXPECT_EQ(package.eeprom[0].D,
              (ABytes{0x01, 0x02, 0x03, 'P', 'U', 'M', 'P', 0x00, 0x64, 0x32}));
    for (std::size_t k = 0; k < 10; ++k) EXPECT_EQ(words[2 * k], package.eeprom[0].D[k]);

    // The same program with CS already right gives the same file without --set-checksum.
    const fs::path again = test::ScratchPath("again");
    const RunResult right = Build({"--hex", kHexCs.string()}, again);
    ASSERT_EQ(right.status, 0) << right.err;
    EXPECT_EQ(FileBytes(again), FileBytes(out));
    const RunResult told = Build({"--hex", kHexCs.string(), "--set-checksum"}, again);
    EXPECT_TRUE(Contains(told.out, "CS 0x01DE is already the checksum")) << told.out;
    EXPECT_EQ(FileBytes(again), FileBytes(out));
}

TEST_F(ToolchainHex, RefusalsWriteNothing) {
    const std::string previous = "previous contents";
    struct Case {
        std::vector<std::string> args;
        const char* message; // in the error output
    };
    const Case cases[] = {
        {{"--hex", kHex.string()}, "Error [0x0304]: Data corrupted."},
        {{"--hex", kHex.string(), "--set-checksum", "--strict"},
         "0x1000E-0x10011 (4 bytes): neither flash nor EEPROM"},
    };
    for (const Case& c : cases) {
        std::ofstream(out, std::ios::binary | std::ios::trunc) << previous;
        const RunResult r = Build(c.args, out);
        EXPECT_EQ(r.status, 1) << c.message;
        EXPECT_TRUE(Contains(r.err, c.message)) << r.err;
        EXPECT_EQ(test::ReadWholeFile(out), previous) << "nothing is written";
    }
    const RunResult usage = Build({"--hex", kHex.string(), "--eeprom-at", "0x10000"}, out);
    EXPECT_EQ(usage.status, 2) << usage.err;
}

// The toolchain's file cut in two at its second address record: flash in one file, the rest
// (IDs, configuration, EEPROM) in the other.
TEST_F(ToolchainHex, FlashAndTheRestInSeparateFilesMakeTheSamePackage) {
    const std::string text = test::ReadWholeFile(kHex);
    const auto cut = text.find(":020000040001F9");
    ASSERT_NE(cut, std::string::npos);
    const fs::path flash =
        test::WriteScratchFile("flash.hex", text.substr(0, cut) + ":00000001FF\n");
    const fs::path rest = test::WriteScratchFile("rest.hex", text.substr(cut));
    const RunResult whole = Build({"--hex", kHex.string(), "--set-checksum"}, out);
    ASSERT_EQ(whole.status, 0) << whole.err;
    const fs::path split = test::ScratchPath("split");
    const RunResult parts =
        Build({"--hex", rest.string(), "--hex", flash.string(), "--set-checksum"}, split);
    ASSERT_EQ(parts.status, 0) << parts.err;
    EXPECT_EQ(FileBytes(split), FileBytes(out));
    EXPECT_TRUE(Contains(parts.out, "left out 0x1000E-0x10011")) << parts.out;
}

// Another EEPROM layout: the image begins where --eeprom-at says, and what lies before it is
// left out like the configuration words.
TEST_F(ToolchainHex, EepromAtMovesTheStartOfTheEepromImage) {
    const RunResult r =
        Build({"--hex", kHex.string(), "--set-checksum", "--eeprom-at", "0x1E010"}, out);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(Contains(r.out, "left out 0x1E000-0x1E00F (16 bytes)")) << r.out;
    ABytes payload;
    ASSERT_TRUE(ReadPackageFromFile(out, payload));
    const TCheckedPackage package = CheckPackage(payload);
    ASSERT_EQ(package.eeprom.size(), 1u);
    EXPECT_EQ(package.eeprom[0].D, (ABytes{0x64, 0x32}));
}

// Names with spaces and letters outside ASCII, as publishers give them.
TEST_F(ToolchainHex, NamesWithSpacesAndCyrillicLetters) {
    const fs::path folder = test::ScratchPath("Выпуск 1.06");
    fs::create_directories(folder);
    const fs::path hex = folder / "Прошивка насоса.hex";
    fs::copy_file(kHex, hex);
    const fs::path named = folder / "НАСОС 1.06";
    const RunResult r = Build({"--hex", hex.string(), "--set-checksum"}, named);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Pack({"info", named.string()}).LastLine(), "check: OK");
}

// The HEX files kept here are what gpasm makes of the source beside them.
TEST(ToolchainFixture, IsWhatTheAssemblerMakes) {
    if (std::system("command -v gpasm >/dev/null 2>&1") != 0) GTEST_SKIP() << "no gpasm";
    const fs::path folder = test::ScratchPath("gpasm");
    fs::create_directories(folder);
    const std::string command =
        Quote((kSamples / "make-pump-hex.sh").string()) + " " + Quote(folder.string());
    ASSERT_EQ(std::system(command.c_str()), 0);
    EXPECT_EQ(test::ReadWholeFile(folder / "pump-1.hex"), test::ReadWholeFile(kHex));
    EXPECT_EQ(test::ReadWholeFile(folder / "pump-1-cs.hex"), test::ReadWholeFile(kHexCs));
}

} // namespace
} // namespace zev
