// The package of a signed Windows program: the trailer in front of the certificate table, on
// synthetic PE images, and the bound on the stated payload length.

#include "datafiles/package_check.h"
#include "datafiles/package_trailer.h"
#include "datafiles/pe_signature.h"
#include "support/package_builder.h"

#include <gtest/gtest.h>

#include <sstream>

namespace zev {
namespace {

constexpr std::size_t kPeAt = 0x80;
constexpr std::size_t kOptionalAt = kPeAt + 24;

void PutLong(ABytes& bytes, std::size_t at, std::uint32_t value) {
    for (std::size_t k = 0; k < 4; ++k) bytes[at + k] = static_cast<std::uint8_t>(value >> 8 * k);
}

void PutWord(ABytes& bytes, std::size_t at, std::uint16_t value) {
    bytes[at] = static_cast<std::uint8_t>(value);
    bytes[at + 1] = static_cast<std::uint8_t>(value >> 8);
}

// The headers of a PE image with 16 data directories (PE32, or PE32+ for 64-bit programs), then
// code-like bytes up to size.
ABytes PeImage(std::size_t size = 0x400, bool plus = false) {
    ABytes pe(size);
    for (std::size_t k = 0x200; k < size; ++k) pe[k] = static_cast<std::uint8_t>(k * 13 + 5);
    pe[0] = 'M';
    pe[1] = 'Z';
    PutLong(pe, 0x3C, kPeAt);
    pe[kPeAt] = 'P';
    pe[kPeAt + 1] = 'E';
    const std::size_t directories = plus ? 112 : 96;
    PutWord(pe, kPeAt + 20, static_cast<std::uint16_t>(directories + 16 * 8));
    PutWord(pe, kOptionalAt, plus ? 0x20B : 0x10B);
    PutLong(pe, kOptionalAt + directories - 4, 16);
    return pe;
}

std::size_t SecurityEntry(bool plus = false) {
    return kOptionalAt + (plus ? 112 : 96) + 4 * 8;
}

// file + padding zero bytes + a certificate table of tableSize bytes that the security
// directory announces at the given offset (by default where it lies).
ABytes Signed(ABytes file, std::size_t padding, std::size_t tableSize = 0x30,
              std::optional<std::uint32_t> announced = std::nullopt, bool plus = false) {
    file.insert(file.end(), padding, 0);
    const auto offset = static_cast<std::uint32_t>(file.size());
    for (std::size_t k = 0; k < tableSize; ++k) file.push_back(static_cast<std::uint8_t>(0x30 + k));
    PutLong(file, SecurityEntry(plus), announced.value_or(offset));
    PutLong(file, SecurityEntry(plus) + 4, static_cast<std::uint32_t>(tableSize));
    return file;
}

ABytes FromStream(const ABytes& file) {
    std::istringstream stream(std::string(file.begin(), file.end()));
    ABytes payload = {0x77};
    ReadPackageFromStream(stream, payload);
    return payload;
}

const ABytes& Payload() {
    static const ABytes payload = test::PackagePayload();
    return payload;
}

TEST(SignedPackage, TrailerBeforeTheCertificateTableWithUpToSevenZeroBytes) {
    for (const bool plus : {false, true}) {
        // Appended without padding, at every alignment: the signer pads the file to 8 bytes.
        for (std::size_t program = 0x400; program < 0x408; ++program) {
            const ABytes packed = AppendPackage(PeImage(program, plus), Payload());
            const std::size_t padding = (8 - packed.size() % 8) % 8;
            const ABytes file = Signed(packed, padding, 0x30, std::nullopt, plus);
            const auto location = LocatePackageInBytes(file);
            ASSERT_TRUE(location) << "padding " << padding << (plus ? " PE32+" : " PE32");
            EXPECT_EQ(location->span.offset, program);
            EXPECT_EQ(location->trailerEnd, packed.size());
            ASSERT_TRUE(location->table);
            EXPECT_EQ(location->table->offset, packed.size() + padding);
            EXPECT_EQ(PackagePayloadFromBytes(file), Payload());
            EXPECT_EQ(FromStream(file), Payload());
        }
    }
}

TEST(SignedPackage, AnOverlappingTrailerIsResolvedByTheCheck) {
    // A length whose low byte is AA, signed with one byte of padding: one byte nearer the table
    // stands a second valid trailer (AA AA AA AA, then the length's upper bytes and the padding).
    TDemoFirmware demo;
    demo.flashSize = 0x7C40;
    demo.eepromSize = 0x150;
    const ABytes payload = MakeDemoPayload(demo);
    ASSERT_EQ(payload.size(), 0x7DAAu);
    const ABytes packed = AppendPackage(PeImage(0x405), payload);
    ASSERT_EQ(packed.size() % 8, 7u);
    const ABytes file = Signed(packed, 1);
    const ABytes overlapping(file.end() - 0x30 - 8, file.end() - 0x30);
    ASSERT_TRUE(PackageSpanOf(packed.size() + 1, overlapping));
    EXPECT_EQ(PackagePayloadFromBytes(file), payload);
    EXPECT_EQ(FromStream(file), payload);
}

TEST(SignedPackage, ZevPackLayoutNeedsNoPaddingAtSigning) {
    for (std::size_t program = 0x400; program < 0x408; ++program) {
        const ABytes packed = AppendPackageAligned(PeImage(program), Payload());
        EXPECT_EQ(packed.size() % 8, 0u);
        EXPECT_EQ(packed.size(), program + PackagePadding(program, Payload().size()) +
                                     Payload().size() + kPackageTrailerSize);
        EXPECT_EQ(PackagePayloadFromBytes(packed), Payload());
        const auto location = LocatePackageInBytes(Signed(packed, 0));
        ASSERT_TRUE(location);
        EXPECT_EQ(location->trailerEnd, packed.size());
        EXPECT_EQ(PackagePayloadFromBytes(Signed(packed, 0)), Payload());
    }
}

TEST(SignedPackage, TablesThatAreNotFollowedAndMalformedHeaders) {
    const ABytes packed = AppendPackageAligned(PeImage(), Payload());
    const ABytes good = Signed(packed, 0);
    const std::size_t tableAt = packed.size();
    ASSERT_EQ(PackagePayloadFromBytes(good), Payload());

    auto changed = [](ABytes file, std::size_t at, std::uint32_t value, bool word = false) {
        if (word)
            PutWord(file, at, static_cast<std::uint16_t>(value));
        else
            PutLong(file, at, value);
        return file;
    };
    ABytes extra = good;
    extra.push_back(0);
    // Appended without padding, 5 bytes short of a multiple of 8.
    const ABytes odd = AppendPackage(PeImage(0x401), Payload());
    ASSERT_EQ(odd.size() % 8, 3u);
    ASSERT_EQ(PackagePayloadFromBytes(Signed(odd, 5)), Payload());
    struct Case {
        ABytes file;
        const char* why;
    };
    const std::size_t entry = SecurityEntry();
    const Case cases[] = {
        {Signed(packed, 8), "eight zero bytes of padding"},
        {Signed(ABytesConcat(odd, {0, 0, 0, 0, 5}), 0), "a non-zero last padding byte"},
        {Signed(ABytesConcat(odd, {5, 0, 0, 0, 0}), 0), "a non-zero first padding byte"},
        {Signed(odd, 1), "a table that does not start on an 8-byte boundary"},
        {extra, "a byte after the certificate table"},
        {Signed(packed, 0, 0x30, static_cast<std::uint32_t>(tableAt - 1)), "table misannounced"},
        {changed(good, entry + 4, 0), "security directory of size 0"},
        {changed(good, entry + 4, 0x31), "table ends past the file"},
        {changed(good, entry, 0xFFFFFFF8), "table offset past the file"},
        {changed(good, 0, 'X', true), "no MZ"},
        {changed(good, 0x3C, static_cast<std::uint32_t>(good.size() - 4)), "PE header at the end"},
        {changed(good, 0x3C, 0xFFFFFFFF), "PE header far past the file"},
        {changed(good, kPeAt, 0), "no PE signature"},
        {changed(good, kOptionalAt, 0x10C, true), "unknown optional header magic"},
        {changed(good, kOptionalAt + 92, 4), "four data directories"},
        {changed(good, kPeAt + 20, 96 + 4 * 8 + 7, true), "optional header ends in the entry"},
        {ABytes(good.begin(), good.begin() + 0x40), "cut in the DOS header's pointer"},
        {ABytes(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(entry + 4)),
         "cut in the security entry"},
    };
    for (const Case& c : cases) {
        EXPECT_FALSE(LocatePackageInBytes(c.file)) << c.why;
        EXPECT_TRUE(FromStream(c.file).empty()) << c.why;
    }
}

TEST(SignedPackage, TheTrailerAtTheEndComesFirstAndSignatureIsRemovable) {
    // Signed, then packed: the package after the table is found at the end, as ever.
    const ABytes signedProgram = Signed(PeImage(), 0);
    const ABytes late = AppendPackage(signedProgram, Payload());
    const auto location = LocatePackageInBytes(late);
    ASSERT_TRUE(location);
    EXPECT_FALSE(location->table);
    EXPECT_EQ(location->span.offset, signedProgram.size());
    const auto table = SecurityDirectoryOf(late.size(), ReadAtBytes(late));
    ASSERT_TRUE(table);
    EXPECT_FALSE(IsTrailingCertificateTable(*table, late.size()));

    const ABytes unsigned_ = WithoutSignature(signedProgram);
    EXPECT_FALSE(SecurityDirectoryOf(unsigned_.size(), ReadAtBytes(unsigned_)));
    const ABytes notPe(100, 0x4D);
    EXPECT_EQ(WithoutSignature(notPe), notPe);
}

TEST(SignedPackage, ChecksumIsTheImageChecksum) {
    // Words 0x0001 0xFFFF sum to 0x10000, folded to 0x0001; the field (bytes 4 to 7) is skipped;
    // plus the length 9; an odd last byte counts as a word.
    const ABytes bytes = {0x01, 0x00, 0xFF, 0xFF, 0xEE, 0xEE, 0xEE, 0xEE, 0x02};
    EXPECT_EQ(PeChecksum(bytes, 4), 0x0001u + 0x0002u + 9u);
}

TEST(PackageLength, AboveTheLimitIsNoPackageAndNothingIsRead) {
    // A file that claims a payload of 1.5 GB: only the trailer and the headers are read.
    const std::uint64_t fileSize = 1'600'000'000;
    std::uint64_t asked = 0;
    const TReadAt read = [&](std::uint64_t offset, std::size_t count) {
        asked += count;
        if (offset == fileSize - 8) return ABytesFromLongs({kPackageMagic, 1'500'000'000});
        return ABytes{};
    };
    EXPECT_FALSE(LocatePackage(fileSize, read));
    EXPECT_LE(asked, 0x100u);

    ABytes program(kPackageLengthLimit + 16, 0x11);
    const auto limit = static_cast<std::uint32_t>(kPackageLengthLimit);
    EXPECT_FALSE(
        LocatePackageInBytes(ABytesConcat(program, ABytesFromLongs({kPackageMagic, limit + 1}))));
    EXPECT_TRUE(
        LocatePackageInBytes(ABytesConcat(program, ABytesFromLongs({kPackageMagic, limit}))));
}

TEST(PackageLength, TheLargestPackageShapeFitsTheLimit) {
    // 65535 blocks (all but flash and EEPROM empty), 64 KiB of flash from address 0 and the
    // 256-byte EEPROM image: the updater's check passes, and the trailer reader takes it.
    TDemoFirmware demo;
    demo.flashAddress = 0;
    demo.flashSize = 0x10000;
    const ABytes two = MakeDemoPayload(demo);
    ABytes payload = ABytesFromWords({0xFFFF});
    payload.insert(payload.end(), two.begin() + 2, two.begin() + 2 + 24);
    for (int k = 2; k < 0xFFFF; ++k) {
        const ABytes empty = ABytesFromLongs({kPackageFlashLimit, 0, 0});
        payload.insert(payload.end(), empty.begin(), empty.end());
    }
    payload.insert(payload.end(), two.begin() + 2 + 24, two.end());
    EXPECT_EQ(payload.size(), kLargestValidPayload - 63);
    EXPECT_TRUE(CheckPackage(payload).linesCut);
    EXPECT_EQ(PackagePayloadFromBytes(AppendPackage(PeImage(), payload)), payload);
}

} // namespace
} // namespace zev
