// zev-pack run as a program on real files, the way a publisher uses it.

#include "datafiles/hex_data_file.h"
#include "datafiles/intel_hex_writer.h"
#include "datafiles/package_trailer.h"
#include "support/package_builder.h"
#include "support/temp_file.h"
#include "zev_pack_run.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <sys/wait.h>

namespace zev {
namespace {

namespace fs = std::filesystem;

fs::path DemoHex(const std::vector<std::string>& options = {}) {
    const fs::path path = test::ScratchPath("demo.hex");
    std::vector<std::string> args = {"demo-hex", "-o", path.string()};
    args.insert(args.end(), options.begin(), options.end());
    const RunResult r = Pack(args);
    EXPECT_EQ(r.status, 0) << r.err;
    return path;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string::npos) end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = text.find_first_not_of("\r\n", end);
        if (start == std::string::npos) break;
    }
    return lines;
}

std::string Join(const std::vector<std::string>& lines, const std::string& end = "\n") {
    std::string text;
    for (const auto& line : lines) text += line + end;
    return text;
}

class ZevPack : public ::testing::Test {
protected:
    fs::path updater = MakeUpdater();
    fs::path out = test::ScratchPath("out");
};

TEST_F(ZevPack, DemoHexBuildInfoStripRoundTrip) {
    const fs::path hex = DemoHex();
    RunResult r =
        Pack({"build", "--exe", updater.string(), "--hex", hex.string(), "-o", out.string()});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "") << "the demo package draws no warning";

    const ABytes built = FileBytes(out);
    EXPECT_EQ(PackagePayloadFromBytes(built), test::PackagePayload());
    EXPECT_EQ((fs::status(out).permissions() & fs::perms::owner_exec), fs::perms::owner_exec);
    EXPECT_EQ(fs::status(out).permissions(), fs::status(updater).permissions());

    r = Pack({"info", out.string()});
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    for (const char* line : {"payload size: 32282\n", "device name: ZEV-DEMO\n",
                             "title: ZEV-DEMO v.1.05 (isp.1, izm.2)\n", "version: 1.05\n",
                             "type: 0x0042\n", "variant: 1\n", "board revision: 2\n",
                             "EP: 0x3FFF\n", "flash lines: 496\n", "EEPROM lines: 8\n"})
        EXPECT_NE(r.out.find(line), std::string::npos) << line << "\n" << r.out;
    EXPECT_EQ(r.LastLine(), "check: OK");
    // CS and the computed checksum are the same number.
    const auto cs = r.out.find("CS: ");
    const auto computed = r.out.find("computed checksum: ");
    ASSERT_NE(cs, std::string::npos);
    ASSERT_NE(computed, std::string::npos);
    EXPECT_EQ(r.out.substr(cs + 4, 6), r.out.substr(computed + 19, 6));

    r = Pack({"info", out.string(), "--json"});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("\"device_name\": \"ZEV-DEMO\""), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\"flash_lines\": 496"), std::string::npos);
    EXPECT_NE(r.out.find("\"eeprom_lines\": 8"), std::string::npos);
    EXPECT_NE(r.out.find("\"check\": \"OK\""), std::string::npos);

    const fs::path stripped = test::ScratchPath("stripped");
    r = Pack({"strip", out.string(), "-o", stripped.string()});
    ASSERT_EQ(r.status, 0) << r.err;
    // The updater byte for byte, then the zero bytes build put before the package to make the
    // file a multiple of 8 bytes long.
    ABytes padded = FileBytes(updater);
    padded.resize(padded.size() + PackagePadding(padded.size(), test::PackagePayload().size()));
    ASSERT_GT(padded.size(), FileBytes(updater).size());
    EXPECT_EQ(FileBytes(stripped), padded) << "the updater byte for byte, and the padding";
    EXPECT_EQ(built.size() % 8, 0u);
    EXPECT_EQ(fs::status(stripped).permissions(), fs::status(updater).permissions());

    const fs::path payload = test::ScratchPath("payload.bin");
    r = Pack({"extract", out.string(), "-o", payload.string()});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(FileBytes(payload), test::PackagePayload());

    // The extracted package builds the same file again.
    const fs::path again = test::ScratchPath("again");
    r = Pack(
        {"build", "--exe", updater.string(), "--payload", payload.string(), "-o", again.string()});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(FileBytes(again), built);

    // Building onto a file that already carries a package replaces it.
    r = Pack({"build", "--exe", out.string(), "--hex", DemoHex({"--version", "1.06"}).string(),
              "-o", again.string()});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("replaced"), std::string::npos) << r.err;
    EXPECT_EQ(FileBytes(again).size(), built.size());
    r = Pack({"info", again.string()});
    EXPECT_NE(r.out.find("version: 1.06\n"), std::string::npos) << r.out;
}

TEST_F(ZevPack, SampleFirmwareIsWhatTheGeneratorMakes) {
    const fs::path sample = fs::path(ZEV_SOURCE_DIR) / "samples" / "demo-firmware.hex";
    ASSERT_TRUE(fs::exists(sample));
    EXPECT_EQ(test::ReadWholeFile(DemoHex()), test::ReadWholeFile(sample));
    const RunResult r =
        Pack({"build", "--exe", updater.string(), "--hex", sample.string(), "-o", out.string()});
    EXPECT_EQ(r.status, 0) << r.err;
}

TEST_F(ZevPack, InfoReportsEachCorruptionWithTheUpdatersCode) {
    const ABytes program = FileBytes(updater);
    ABytes wrongMagic = test::ExecutableWithPackage(test::PackagePayload());
    wrongMagic[wrongMagic.size() - 8] = 0xAB;
    ABytes tooLong = test::ExecutableWithPackage(test::PackagePayload());
    tooLong[tooLong.size() - 2] = 0x10; // N about 1 MiB, past the start of the file
    ABytes negative = test::ExecutableWithPackage(test::PackagePayload());
    negative[negative.size() - 1] = 0x80;
    TDemoFirmware odd;
    odd.eepromSize = 0x1FF;

    struct Case {
        ABytes file;
        const char* code;
        const char* why;
    };
    const Case cases[] = {
        {program, "0x0301", "no trailer"},
        {wrongMagic, "0x0301", "wrong magic"},
        {tooLong, "0x0301", "length past the file"},
        {negative, "0x0301", "negative length"},
        {AppendPackage(program, {0x05}), "0x0301", "one-byte payload"},
        {AppendPackage(program, {0x01, 0x00, 1, 2, 3}), "0x0302", "short block table"},
        {AppendPackage(program, {0x00, 0x00}), "0x0303", "no data"},
        {AppendPackage(program, test::Container({{0x400, 0, 31}, {0x1E000, 31, 2}}, ABytes(64, 1))),
         "0x0306", "short flash block"},
        {AppendPackage(program, test::PackageWithWrongChecksum()), "0x0304", "checksum"},
        {AppendPackage(program, test::PackagePayload(odd)), "0x0307", "odd EEPROM block"},
    };
    for (const Case& c : cases) {
        const fs::path file = test::WriteScratchFile("corrupt", Bytes(c.file));
        RunResult r = Pack({"info", file.string()});
        EXPECT_EQ(r.status, 1) << c.why;
        EXPECT_EQ(r.LastLine(), std::string("check: Error [") + c.code + "]: Data corrupted.")
            << c.why << "\n"
            << r.out;
        r = Pack({"info", "--json", file.string()});
        EXPECT_EQ(r.status, 1) << c.why;
        EXPECT_NE(r.out.find(std::string("\"code\": \"") + c.code + "\""), std::string::npos)
            << c.why << "\n"
            << r.out;
    }

    // A checksum failure still shows the package's own record, as the window title does.
    const fs::path file = test::WriteScratchFile(
        "checksum", Bytes(AppendPackage(program, test::PackageWithWrongChecksum())));
    const RunResult r = Pack({"info", file.string()});
    EXPECT_NE(r.out.find("title: ZEV-DEMO v.1.05 (isp.1, izm.2)\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("reason: the image's checksum"), std::string::npos) << r.out;
}

TEST_F(ZevPack, BuildRefusesPackagesTheUpdaterWouldRejectOrMiswrite) {
    struct Case {
        std::vector<std::string> demoOptions;
        const char* message;
    };
    const Case cases[] = {
        {{"--eeprom-size", "0x1FF"}, "Error [0x0307]: Data corrupted."},
        {{"--eeprom-size", "0x400"}, "the EEPROM holds 512 bytes"},
        // Flash across 0x10000: what lies past the flash limit is left out, and EP with it.
        {{"--flash-address", "0xF000", "--flash-size", "0x2000"}, "EP 0x87FF lies beyond the data"},
    };
    const std::string previous = "previous contents";
    for (const Case& c : cases) {
        const fs::path hex = DemoHex(c.demoOptions);
        std::ofstream(out, std::ios::binary | std::ios::trunc) << previous;
        const RunResult r =
            Pack({"build", "--exe", updater.string(), "--hex", hex.string(), "-o", out.string()});
        EXPECT_EQ(r.status, 1) << c.message;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_EQ(test::ReadWholeFile(out), previous) << "nothing is written";
    }
    // Nothing left beside the output either.
    for (const auto& entry : fs::directory_iterator(test::ScratchDir()))
        EXPECT_EQ(entry.path().filename().string().find(".zev-pack-"), std::string::npos)
            << entry.path();

    // Ready payloads get the same checks.
    TDemoFirmware wraps;
    wraps.flashAddress = 0xF000;
    wraps.flashSize = 0x2000;
    TDemoFirmware tail; // HEX input is padded to a whole line; a ready payload is taken as it is
    tail.flashSize = 0x7C20;
    const struct {
        ABytes payload;
        const char* message;
    } payloads[] = {
        {test::PackageWithWrongChecksum(), "Error [0x0304]: Data corrupted."},
        {test::PackagePayload(wraps), "the flash lines run past 0xFFFF"},
        {test::PackagePayload(tail), "lies in the flash tail that is not written"},
    };
    for (const auto& c : payloads) {
        const fs::path bad = test::WriteScratchFile("bad.bin", Bytes(c.payload));
        const RunResult r = Pack(
            {"build", "--exe", updater.string(), "--payload", bad.string(), "-o", out.string()});
        EXPECT_EQ(r.status, 1);
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_NE(r.err.find("nothing written"), std::string::npos) << r.err;
        EXPECT_EQ(test::ReadWholeFile(out), previous);
    }
}

TEST_F(ZevPack, BuildRefusesLossyIntelHexNamingTheLine) {
    const std::vector<std::string> demo = Lines(test::ReadWholeFile(DemoHex()));
    ASSERT_EQ(demo[1].substr(0, 9), ":10041000");

    struct Case {
        std::vector<std::string> lines;
        const char* message;
    };
    // Records 0x400, 0x420, then 0x410: backwards.
    std::vector<std::string> backwards = demo;
    std::swap(backwards[1], backwards[2]);
    // A record at 0x408 right after the one at 0x400..0x40F: overlap.
    std::vector<std::string> overlap = demo;
    overlap.insert(overlap.begin() + 1, ":04040800DEADBEEFB8");
    // A record with a wrong checksum in the middle.
    std::vector<std::string> badLine = demo;
    badLine[5].back() = badLine[5].back() == '0' ? '1' : '0';
    // No end-of-file record.
    std::vector<std::string> noEnd(demo.begin(), demo.end() - 1);
    const Case cases[] = {
        {backwards, ":3: data record at 0x410 goes backwards"},
        {overlap, ":2: data record at 0x408..0x40B overlaps the record at 0x400..0x40F (line 1)"},
        {badLine, ":6: not a valid record (checksum wrong, 0x0308)"},
        {noEnd, ": no end-of-file record"},
    };
    for (const Case& c : cases) {
        const fs::path hex = test::WriteScratchFile("lossy.hex", Join(c.lines, "\r\n"));
        const RunResult r =
            Pack({"build", "--exe", updater.string(), "--hex", hex.string(), "-o", out.string()});
        EXPECT_EQ(r.status, 1) << c.message;
        EXPECT_NE(r.err.find(hex.string() + c.message), std::string::npos) << c.message << "\n"
                                                                           << r.err;
        EXPECT_FALSE(fs::exists(out));
    }
}

TEST_F(ZevPack, BuildAcceptsBlankLinesLowerCaseAndMixedLineEnds) {
    std::vector<std::string> lines = Lines(test::ReadWholeFile(DemoHex()));
    std::string text = "\n  \n";
    for (std::size_t k = 0; k < lines.size(); ++k) {
        std::string line = lines[k];
        std::transform(line.begin(), line.end(), line.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        text += (k % 3 == 0 ? "  " : "") + line + (k % 2 ? "\r\n" : "\n");
        if (k % 100 == 0) text += "\r\n\t\n";
    }
    const fs::path hex = test::WriteScratchFile("relaxed.hex", text);
    const RunResult r =
        Pack({"build", "--exe", updater.string(), "--hex", hex.string(), "-o", out.string()});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(PackagePayloadFromBytes(FileBytes(out)), test::PackagePayload());
}

TEST_F(ZevPack, FlashAndEepromFromSeparateFiles) {
    THexDataFile source;
    source.BytesFrom(test::PackagePayload());
    const TDataBlock flash = source.Blocks()[0];
    const TDataBlock eeprom = source.Blocks()[1];
    const fs::path flashHex =
        test::WriteScratchFile("flash.hex", IntelHexText({flash}, source.Data()));
    const fs::path eepromHex =
        test::WriteScratchFile("eeprom.hex", IntelHexText({eeprom}, source.Data()));
    RunResult r = Pack({"build", "--exe", updater.string(), "--hex", eepromHex.string(), "--hex",
                        flashHex.string(), "-o", out.string()});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(PackagePayloadFromBytes(FileBytes(out)), test::PackagePayload());

    // The same flash twice overlaps.
    r = Pack({"build", "--exe", updater.string(), "--hex", flashHex.string(), "--hex",
              flashHex.string(), "-o", test::ScratchPath("twice").string()});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("data overlaps"), std::string::npos) << r.err;

    // EEPROM alone has no information record.
    r = Pack({"build", "--exe", updater.string(), "--hex", eepromHex.string(), "-o",
              test::ScratchPath("eeprom-only").string()});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("no flash data"), std::string::npos) << r.err;
}

TEST_F(ZevPack, DemoOptionsMakeOtherDevices) {
    const fs::path hex = DemoHex({"--name", "Прибор-7", "--version", "0x020A", "--type", "0x1234",
                                  "--variant", "3", "--revision", "12", "--seed", "5"});
    ASSERT_EQ(Pack({"build", "--exe", updater.string(), "--hex", hex.string(), "-o", out.string()})
                  .status,
              0);
    const RunResult r = Pack({"info", out.string()});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("device name: Прибор-7\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("title: Прибор-7 v.2.0A (исп.3, изм.12)\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("type: 0x1234\n"), std::string::npos);
    EXPECT_NE(test::ReadWholeFile(hex), test::ReadWholeFile(DemoHex()));
}

TEST_F(ZevPack, UsageAndFileErrors) {
    struct Case {
        std::vector<std::string> args;
        int status;
        const char* err;
    };
    const std::string missing = test::ScratchPath("missing").string();
    const std::string hex = DemoHex().string();
    const Case cases[] = {
        {{}, 2, "Usage:"},
        {{"frobnicate"}, 2, "unknown command"},
        {{"build", "--exe", updater.string(), "--hex", hex}, 2, "missing -o"},
        {{"build", "--exe", updater.string(), "-o", out.string()}, 2, "either --hex"},
        {{"build", "--exe", updater.string(), "--hex", hex, "--payload", hex, "-o", out.string()},
         2,
         "either --hex"},
        {{"info"}, 2, "exactly one FILE"},
        {{"info", "a", "b"}, 2, "exactly one FILE"},
        {{"info", "--jsn", "a"}, 2, "unknown option --jsn"},
        {{"demo-hex", "-o", out.string(), "--variant", "256"}, 2, "larger than 255"},
        {{"demo-hex", "-o", out.string(), "--name", "ABCDEFGHIJK"}, 2, "at most 10"},
        {{"demo-hex", "-o", out.string(), "--seed", "x1"}, 2, "not a number"},
        {{"info", missing}, 1, "Cannot open"},
        {{"build", "--exe", missing, "--hex", hex, "-o", out.string()}, 1, "no such file"},
        {{"build", "--exe", updater.string(), "--hex", missing, "-o", out.string()},
         1,
         "no such file"},
        {{"build", "--exe", updater.string(), "--hex", test::ScratchDir().string(), "-o",
          out.string()},
         1,
         "not a regular file"},
        {{"strip", updater.string(), "-o", out.string()}, 1, "carries no package"},
        {{"extract", updater.string(), "-o", out.string()}, 1, "carries no package"},
    };
    for (const Case& c : cases) {
        const RunResult r = Pack(c.args);
        std::string line;
        for (const auto& a : c.args) line += a + " ";
        EXPECT_EQ(r.status, c.status) << line << "\n" << r.err;
        EXPECT_NE(r.err.find(c.err), std::string::npos) << line << "\n" << r.err;
        EXPECT_FALSE(fs::exists(out)) << line;
    }
    for (const char* command : {"build", "info", "strip", "extract", "demo-hex"}) {
        const RunResult r = Pack({command, "--help"});
        EXPECT_EQ(r.status, 0) << command;
        EXPECT_NE(r.out.find(std::string("zev-pack ") + command), std::string::npos) << r.out;
    }
    const RunResult r = Pack({"--help"});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("Usage:"), std::string::npos);
}

} // namespace
} // namespace zev
