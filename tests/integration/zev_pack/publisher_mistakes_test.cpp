// A publisher's ordinary mistakes, made with a real assembler: each is refused with the line and
// the addresses that are wrong, and no file is written; described properly, the same firmware
// packs right.

#include "datafiles/hex_rec.h"
#include "datafiles/package_check.h"
#include "datafiles/package_trailer.h"
#include "zev_pack_run.h"

#include <gtest/gtest.h>

namespace zev {
namespace {

const fs::path kFixtures =
    fs::path(ZEV_SOURCE_DIR) / "tests" / "integration" / "zev_pack" / "fixtures";
const fs::path kPageHigh = kFixtures / "app-page-high.hex";
const fs::path kVector = kFixtures / "app-vector.hex";
const fs::path kEeprom8 = kFixtures / "app-eeprom-8.hex";
const fs::path kClassic = kFixtures / "classic-16f886.hex";
const fs::path kPump = fs::path(ZEV_SOURCE_DIR) / "samples" / "toolchain" / "pump-1.hex";

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// The pump firmware's text with its record's EP changed (the line's checksum made right).
std::string PumpWithEp(std::uint16_t ep) {
    std::string text = test::ReadWholeFile(kPump);
    const auto first = text.find('\n') + 1;
    const auto end = text.find('\n', first);
    THexRec record = THexRec::FromText(text.substr(first, end - first));
    record.D[0] = static_cast<std::uint8_t>(ep);
    record.D[1] = static_cast<std::uint8_t>(ep >> 8);
    return text.replace(first, end - first, THexRec::ToText(record));
}

class PublisherMistakes : public ::testing::Test {
protected:
    fs::path updater = MakeUpdater();

    RunResult Build(const std::vector<std::string>& extra, const fs::path& to) {
        std::vector<std::string> args = {"build", "--exe", updater.string()};
        args.insert(args.end(), extra.begin(), extra.end());
        args.insert(args.end(), {"-o", to.string()});
        return Pack(args);
    }

    // The package that zev-pack wrote into the file, as the updater reads and checks it.
    static TCheckedPackage PackageOf(const fs::path& file) {
        ABytes payload;
        EXPECT_TRUE(ReadPackageFromFile(file, payload));
        return CheckPackage(payload);
    }
};

TEST_F(PublisherMistakes, EachIsRefusedNamingWhatIsWrongAndWritesNothing) {
    const std::string pump = test::ReadWholeFile(kPump);
    // Flash and EEPROM assembled apart and joined with cat: the EEPROM half follows an
    // end-of-file record.
    const auto cut = pump.find(":020000040001F9");
    const fs::path joined = test::WriteScratchFile(
        "joined.hex", pump.substr(0, cut) + ":00000001FF\n" + pump.substr(cut));
    // A PIC18 file: its configuration at 0x300000.
    const fs::path pic18 =
        test::WriteScratchFile("pic18.hex", pump.substr(0, pump.rfind(":00000001FF")) +
                                                ":020000040030CA\n:0100000000FF\n:00000001FF\n");
    const fs::path ep = test::WriteScratchFile("ep.hex", PumpWithEp(0x0324));

    struct Case {
        std::vector<std::string> args;
        int status;
        std::string message; // in the error output
    };
    const Case cases[] = {
        {{"--hex", kPageHigh.string(), "--set-checksum"},
         1,
         kPageHigh.string() + ":2: flash data begins at 0x800, not at the information record's "
                              "address 0x400 (word 0x200)"},
        {{"--hex", kVector.string(), "--set-checksum"},
         1,
         kVector.string() + ":2: flash data at 0x8 lies below the information record at 0x400"},
        {{"--hex", kClassic.string(), "--set-checksum"},
         1,
         "data at 0x4000-0x4007 (" + kClassic.string() + ":5), 0x400E-0x4011 (" +
             kClassic.string() + ":6), 0x4200-0x4207 (" + kClassic.string() +
             ":8) lies where classic mid-range parts"},
        {{"--hex", kClassic.string(), "--set-checksum", "--strict"}, 1, "classic mid-range"},
        {{"--hex", kClassic.string(), "--eeprom-at", "0x4200"},
         2,
         "--eeprom-at 0x4200 lies among the flash addresses below 0x10000: give the part's last "
         "flash byte with --flash-end"},
        {{"--hex", joined.string(), "--set-checksum"},
         1,
         joined.string() + ":8: text after the end-of-file record (line 7)"},
        {{"--hex", kEeprom8.string(), "--set-checksum"},
         1,
         "EEPROM cells 0-7 (image at 0x1E000) are not in the files"},
        {{"--hex", pic18.string(), "--set-checksum"},
         1,
         "data from 0x300000 on is where 16-bit parts (PIC18) keep"},
        // EP past the flash data, inside the EEPROM that follows it in the package.
        {{"--hex", ep.string(), "--set-checksum"},
         1,
         "EP 0x324 lies beyond the data of the flash image 0x400-0x63F"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        const fs::path out = test::ScratchPath("refused");
        const RunResult r = Build(c.args, out);
        EXPECT_EQ(r.status, c.status) << r.out << r.err;
        EXPECT_TRUE(Contains(r.err, c.message)) << r.err;
        EXPECT_FALSE(Contains(r.out, "CS set")) << "a refused package sets no CS: " << r.out;
        EXPECT_FALSE(fs::exists(out)) << "nothing is written";
    }
}

TEST_F(PublisherMistakes, DescribedProperlyTheyPackRight) {
    // The application linked high, for a part whose record lies at 0x800.
    fs::path out = test::ScratchPath("high");
    RunResult r =
        Build({"--hex", kPageHigh.string(), "--set-checksum", "--record-at", "0x800"}, out);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(Contains(r.out, "CS set: 0x0000 -> ")) << r.out;
    TCheckedPackage package = PackageOf(out);
    ASSERT_EQ(package.flash.size(), 1u);
    EXPECT_EQ(package.flash[0].A, 0x800);

    // The classic part: flash up to 0x3FFF, EEPROM at 0x4200 written as EEPROM lines, the user
    // IDs and configuration left out.
    out = test::ScratchPath("classic");
    r = Build({"--hex", kClassic.string(), "--set-checksum", "--flash-end", "0x3FFF", "--eeprom-at",
               "0x4200"},
              out);
    ASSERT_EQ(r.status, 0) << r.err;
    for (const char* line : {"left out 0x4000-0x4007 (8 bytes)", "left out 0x400E-0x4011 (4 bytes)",
                             "package: VALVE v.1.02 (isp.1, izm.1), type 0x0061, 1 flash lines, "
                             "1 EEPROM lines"})
        EXPECT_TRUE(Contains(r.out, line)) << line << "\n" << r.out;
    package = PackageOf(out);
    ASSERT_EQ(package.image.Blocks().size(), 2u);
    EXPECT_EQ(package.image.Blocks()[1].A, 0x1E000u) << "an EEPROM block the updater takes";
    ASSERT_EQ(package.flash.size(), 1u);
    EXPECT_EQ(package.flash[0].A, 0x400);
    ASSERT_EQ(package.eeprom.size(), 1u);
    EXPECT_EQ(package.eeprom[0].A, 0);
    EXPECT_EQ(package.eeprom[0].D, (ABytes{0x11, 0x22, 0x33, 0x44}));

    // EEPROM from cell 8, the cells before it filled as the publisher says.
    out = test::ScratchPath("fill");
    r = Build({"--hex", kEeprom8.string(), "--set-checksum", "--eeprom-fill", "0xFF"}, out);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(Contains(r.out, "EEPROM cells 0-7 are not in the files: written 0xFF")) << r.out;
    package = PackageOf(out);
    ASSERT_EQ(package.eeprom.size(), 1u);
    EXPECT_EQ(package.eeprom[0].D,
              (ABytes{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x01, 0x02, 0x03, 0x04}));

    // A byte-order mark before the first record changes nothing.
    const fs::path plain = test::ScratchPath("plain");
    ASSERT_EQ(Build({"--hex", kPump.string(), "--set-checksum"}, plain).status, 0);
    const fs::path bom =
        test::WriteScratchFile("bom.hex", "\xEF\xBB\xBF" + test::ReadWholeFile(kPump));
    out = test::ScratchPath("bom");
    r = Build({"--hex", bom.string(), "--set-checksum"}, out);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(FileBytes(out), FileBytes(plain));
}

TEST_F(PublisherMistakes, LayoutOptionsThatDoNotFitAreUsageErrors) {
    const fs::path out = test::ScratchPath("usage");
    const std::vector<std::string> cases[] = {
        {"--hex", kPump.string(), "--record-at", "0x401"},
        {"--hex", kPump.string(), "--flash-end", "0x3FFE"},
        {"--hex", kPump.string(), "--flash-end", "0x41D"}, // inside the record
        {"--hex", kPump.string(), "--flash-end", "0x3FFF", "--eeprom-at", "0x3000"},
        {"--hex", kPump.string(), "--eeprom-fill", "0x100"},
        {"--payload", kPump.string(), "--record-at", "0x400"},
    };
    for (const auto& args : cases) {
        const RunResult r = Build(args, out);
        EXPECT_EQ(r.status, 2) << args[2] << " " << args[3] << "\n" << r.err;
        EXPECT_FALSE(fs::exists(out));
    }
}

// The HEX files kept here are what gpasm makes of the sources beside them.
TEST(PublisherFixtures, AreWhatTheAssemblerMakes) {
    if (std::system("command -v gpasm >/dev/null 2>&1") != 0) GTEST_SKIP() << "no gpasm";
    const fs::path folder = test::ScratchPath("gpasm");
    fs::create_directories(folder);
    const std::string command =
        Quote((kFixtures / "make-fixtures.sh").string()) + " " + Quote(folder.string());
    ASSERT_EQ(std::system(command.c_str()), 0);
    for (const fs::path& hex : {kPageHigh, kVector, kEeprom8, kClassic})
        EXPECT_EQ(test::ReadWholeFile(folder / hex.filename()), test::ReadWholeFile(hex)) << hex;
}

} // namespace
} // namespace zev
