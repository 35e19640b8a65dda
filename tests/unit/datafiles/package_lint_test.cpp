#include "datafiles/package_builder.h"
#include "datafiles/package_lint.h"
#include "support/package_builder.h"

#include <gtest/gtest.h>

namespace zev {
namespace {

// The findings of a package that passes its check, as "E: text" or "W: text".
std::vector<std::string> Findings(const ABytes& payload) {
    std::vector<std::string> out;
    for (const auto& f : LintPackage(CheckPackage(payload)))
        out.push_back((f.error ? "E: " : "W: ") + f.text);
    return out;
}

bool Has(const std::vector<std::string>& findings, const std::string& start) {
    for (const auto& f : findings)
        if (f.rfind(start, 0) == 0) return true;
    return false;
}

ABytes Sealed(ABytes flash, std::uint32_t address, std::uint16_t ep) {
    TLormanBootLoaderInfo info;
    info.EP = ep;
    info.TX = "T";
    PutInfoRecord(flash, info);
    SealFlashImage(flash, address);
    return flash;
}

TEST(PackageLint, DemoPackageHasNoFindings) {
    EXPECT_TRUE(Findings(MakeDemoPayload({})).empty());
}

TEST(PackageLint, FindsWhatTheUpdaterWouldGetWrongWhileWriting) {
    const ABytes eeprom(0x200, 0);
    // 100 flash bytes: one line written, 36 bytes not.
    auto findings =
        Findings(MakePackagePayload(0x400, Sealed(ABytes(100, 1), 0x400, 0x21F), 0x1E000, eeprom));
    EXPECT_TRUE(Has(findings, "W: the flash block's last 36 bytes (from 0x440)")) << findings[0];
    EXPECT_FALSE(Has(findings, "E: "));

    // EP in that unwritten tail, EP past the flash block (inside the EEPROM data, where the
    // checksum still matches), more than 256 EEPROM bytes: the check itself refuses them, so the
    // lint never sees them.
    const struct {
        ABytes payload;
        const char* code;
    } refused[] = {
        {MakePackagePayload(0x400, Sealed(ABytes(100, 1), 0x400, 0x230), 0x1E000, eeprom),
         "0x0313"},
        {MakePackagePayload(0x400, Sealed(ABytes(64, 1), 0x400, 0x220), 0x1E000, eeprom), "0x0313"},
        {MakePackagePayload(0x400, Sealed(ABytes(64, 1), 0x400, 0x21F), 0x1E000, ABytes(0x202, 0)),
         "0x0311"},
        {MakePackagePayload(0xFFC0, Sealed(ABytes(128, 1), 0xFFC0, 0x7FE0 + 63), 0x1E000, eeprom),
         "0x0312"},
    };
    for (const auto& c : refused) {
        try {
            CheckPackage(c.payload);
            ADD_FAILURE() << c.code << ": passed its check";
        } catch (const std::exception& e) {
            EXPECT_STREQ(e.what(), c.code);
        }
    }

    // Non-zero high EEPROM bytes and no EEPROM at all are warnings.
    findings = Findings(
        MakePackagePayload(0x400, Sealed(ABytes(64, 1), 0x400, 0x21F), 0x1E000, ABytes(4, 1)));
    EXPECT_TRUE(Has(findings, "W: the EEPROM block has non-zero high bytes"));
    findings = Findings(MakePackagePayload(0x400, Sealed(ABytes(64, 1), 0x400, 0x21F), 0, {}));
    EXPECT_TRUE(Has(findings, "W: no EEPROM block"));

    // EP before the program's first word: the checksum covers nothing.
    findings =
        Findings(MakePackagePayload(0x400, Sealed(ABytes(64, 1), 0x400, 0x201), 0x1E000, eeprom));
    EXPECT_TRUE(Has(findings, "W: EP 0x201 lies before the program's first word"));

    // An unaligned start.
    findings = Findings(
        MakePackagePayload(0x420, Sealed(ABytes(64, 1), 0x420, 0x210 + 31), 0x1E000, eeprom));
    EXPECT_TRUE(Has(findings, "W: the flash block address 0x420 is not a multiple of 64"));
}

TEST(PackageLint, BlocksThatAreNeverWrittenAreRefusedByTheCheck) {
    const ABytes flash = Sealed(ABytes(64, 1), 0x400, 0x21F);
    ABytes data = flash;
    data.resize(64 + 4 + 4, 0);
    // The updater's own check refuses a block whose data would never be written, so the lint
    // never sees such a package.
    try {
        CheckPackage(test::Container({{0x400, 0, 64}, {0x1E000, 64, 4}, {0x1F000, 68, 4}}, data));
        ADD_FAILURE() << "a package with a block that is never written passed its check";
    } catch (const std::exception& e) {
        EXPECT_STREQ(e.what(), "0x0302");
    }
}

} // namespace
} // namespace zev
