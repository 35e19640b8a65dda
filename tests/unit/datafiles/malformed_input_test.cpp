// Truncated, mutated and random inputs for the container reader, the package check, the trailer
// reader and the Intel HEX parser. Under the sanitizer build these prove that no input reads or
// writes outside a buffer; here they also check that every failure is one of the known codes.

#include "core/error.h"
#include "datafiles/intel_hex_writer.h"
#include "datafiles/package_check.h"
#include "datafiles/package_trailer.h"
#include "support/package_builder.h"
#include "support/temp_file.h"

#include <gtest/gtest.h>

#include <random>
#include <set>
#include <sstream>

namespace zev {
namespace {

const std::set<std::string> kPackageCodes = {"0x0301", "0x0302", "0x0303", "0x0304", "0x0306",
                                             "0x0307", "0x0311", "0x0312", "0x0313"};
const std::set<std::string> kRecordCodes = {"0x0308", "0x0309", "0x030A", "0x0401"};

// Runs the updater's whole start-up check and the line cutting; returns the code or "ok".
std::string Check(const ABytes& payload) {
    try {
        const TCheckedPackage package = CheckPackage(payload);
        for (const auto& line : package.flash) EXPECT_EQ(line.D.size(), 64u);
        for (const auto& line : package.eeprom) EXPECT_LE(line.D.size(), 32u);
        return "ok";
    } catch (const Error& e) {
        return e.what();
    }
}

TEST(MalformedInput, EveryTruncationOfAPackageFailsWithACode) {
    TDemoFirmware small;
    small.flashSize = 0x80;
    small.eepromSize = 0x40;
    const ABytes payload = MakeDemoPayload(small);
    ASSERT_EQ(Check(payload), "ok");
    const std::size_t flashEnd = 2 + 12 * 2 + 0x80;
    for (std::size_t n = 0; n < payload.size(); ++n) {
        const std::string code = Check(ABytesCopy(payload, 0, static_cast<std::int32_t>(n)));
        if (n < flashEnd) {
            EXPECT_TRUE(kPackageCodes.count(code)) << n << ": " << code;
        } else {
            // A cut inside the EEPROM block leaves it reaching past the data: no checksum
            // covers the EEPROM. An odd cut leaves an odd EEPROM image; an even one is refused
            // by the block table's disagreement with the data.
            EXPECT_EQ(code, (n - flashEnd) % 2 == 1 ? "0x0307" : "0x0302") << n;
        }
    }
}

TEST(MalformedInput, MutatedAndRandomPackagesNeverEscapeTheBuffer) {
    std::mt19937 random(20240517);
    TDemoFirmware small;
    small.flashSize = 0x100;
    small.eepromSize = 0x40;
    const ABytes payload = MakeDemoPayload(small);
    for (int round = 0; round < 4000; ++round) {
        ABytes bytes = payload;
        const int edits = 1 + static_cast<int>(random() % 6);
        for (int k = 0; k < edits; ++k) {
            // Mostly the block table and the record, where the offsets live.
            const std::size_t span = random() % 4 == 0 ? bytes.size() : 2 + 12 * 2 + 32;
            bytes[random() % span] = static_cast<std::uint8_t>(random());
        }
        if (random() % 3 == 0) bytes.resize(random() % bytes.size());
        const std::string code = Check(bytes);
        ASSERT_TRUE(code == "ok" || kPackageCodes.count(code)) << round << ": " << code;
    }
    for (int round = 0; round < 2000; ++round) {
        ABytes bytes(random() % 200);
        for (auto& b : bytes) b = static_cast<std::uint8_t>(random());
        if (bytes.size() >= 2 && random() % 2) bytes[1] = 0; // small block counts
        const std::string code = Check(bytes);
        ASSERT_TRUE(code == "ok" || kPackageCodes.count(code)) << round << ": " << code;
    }
}

TEST(MalformedInput, TrailerReaderOnRandomFiles) {
    std::mt19937 random(7);
    for (int round = 0; round < 3000; ++round) {
        ABytes file(random() % 64);
        for (auto& b : file) b = static_cast<std::uint8_t>(random());
        if (file.size() >= 8 && random() % 2) {
            // A valid magic with a random, often impossible, length.
            for (std::size_t k = file.size() - 8; k < file.size() - 4; ++k) file[k] = 0xAA;
        }
        const ABytes fromBytes = PackagePayloadFromBytes(file);
        std::istringstream stream(std::string(file.begin(), file.end()));
        ABytes fromStream;
        ReadPackageFromStream(stream, fromStream);
        ASSERT_EQ(fromBytes, fromStream) << round;
        ASSERT_LE(fromBytes.size() + (fromBytes.empty() ? 0 : 8), file.size());
    }
}

TEST(MalformedInput, RecordParserOnRandomAndCutLines) {
    std::mt19937 random(11);
    const std::string alphabet = "0123456789ABCDEFabcdef:xG \t";
    for (int round = 0; round < 20000; ++round) {
        std::string line(random() % 40, ' ');
        for (char& c : line) c = alphabet[random() % alphabet.size()];
        if (!line.empty() && random() % 2) line[0] = ':';
        try {
            const THexRec rec = THexRec::FromText(line);
            ASSERT_EQ(rec.D.size(), rec.L);
        } catch (const Error& e) {
            ASSERT_TRUE(kRecordCodes.count(e.what())) << line << ": " << e.what();
        }
    }
    // Every cut of a good record is refused with a record code; only the whole line reads.
    const std::string good = ":10E0000011223344556677889900112233445566AE";
    for (std::size_t n = 0; n < good.size(); ++n) {
        try {
            THexRec::FromText(good.substr(0, n));
            ADD_FAILURE() << "a record cut to " << n << " characters was read";
        } catch (const Error& e) {
            EXPECT_TRUE(kRecordCodes.count(e.what())) << n << ": " << e.what();
        }
    }
    const THexRec whole = THexRec::FromText(good);
    EXPECT_EQ(whole.L, 0x10);
    EXPECT_EQ(whole.D.size(), 0x10u);
}

TEST(MalformedInput, IntelHexReaderOnMutatedAndRandomText) {
    TDemoFirmware small;
    small.flashSize = 0x80;
    small.eepromSize = 0x20;
    THexDataFile source;
    source.BytesFrom(MakeDemoPayload(small));
    const std::string text = IntelHexText(source.Blocks(), source.Data());

    std::mt19937 random(3);
    const std::string alphabet = "0123456789ABCDEF:\r\n";
    for (int round = 0; round < 300; ++round) {
        std::string mutated = text;
        const int edits = 1 + static_cast<int>(random() % 8);
        for (int k = 0; k < edits; ++k)
            mutated[random() % mutated.size()] = alphabet[random() % 19];
        if (random() % 3 == 0) mutated.resize(random() % mutated.size());
        if (round % 50 == 0) {
            mutated.resize(random() % 3000);
            for (char& c : mutated) c = static_cast<char>(random());
        }
        THexDataFile file;
        file.SetInfo(kPackageFlashLimit, kPackageEepromLimit);
        file.Load(test::WriteScratchFile("fuzz.hex", mutated));
        std::uint64_t end = 0;
        for (const TDataBlock& block : file.Blocks()) {
            ASSERT_LE(block.I, file.Data().size()) << round;
            end = std::max<std::uint64_t>(end, std::uint64_t{block.I} + block.L);
        }
        ASSERT_LE(end, file.Data().size()) << round;
        // Whatever was read goes through the package check without escaping its buffer.
        const std::string code = Check(file.BytesTo());
        ASSERT_TRUE(code == "ok" || kPackageCodes.count(code)) << round << ": " << code;
    }
}

} // namespace
} // namespace zev
