#include "core/cp1251.h"
#include "core/format.h"

#include <gtest/gtest.h>

namespace zev {
namespace {

struct FormatCase {
    std::string fmt;
    std::string expected;
};

TEST(Format, PlaceholdersFollowTheProgramsRules) {
    EXPECT_EQ(Format("%s v.%x.%.2x (isp.%d, izm.%d)", {"ABC", 2u, 3u, 1, 4}),
              "ABC v.2.03 (isp.1, izm.4)");
    EXPECT_EQ(Format("%.2x|%.2x|%x", {5u, 0x1Au, 0xABCDu}), "05|1A|ABCD");
    EXPECT_EQ(Format("%.8x", {0x12u}), "00000012");
    EXPECT_EQ(Format("%.8x", {0x123456789ABull}), "123456789AB") << "64-bit keeps every digit";
    EXPECT_EQ(Format("%.8x", {0x1234567890ull}), "1234567890");
    EXPECT_EQ(Format("%d", {-42}), "-42");
    EXPECT_EQ(Format("%x", {-1}), "FFFFFFFF");
    EXPECT_EQ(Format("100%% %d", {7}), "100% 7");
}

TEST(Format, MissingOrUnknownPlaceholdersAreCopied) {
    EXPECT_EQ(Format("%s and %d", {"a"}), "a and %d");
    EXPECT_EQ(Format("%q %s", {"x"}), "%q x");
    EXPECT_EQ(Format("tail %", {}), "tail %");
}

TEST(Cp1251, DecodesAndEncodesCyrillic) {
    const std::string bytes = "\xCF\xF0\xE8\xE2\xE5\xF2 \xA8\xB8"; // "Привет Ёё"
    EXPECT_EQ(Cp1251ToUtf8(bytes), "Привет Ёё");
    EXPECT_EQ(Utf8ToCp1251("Привет Ёё"), bytes);
    EXPECT_EQ(Utf8ToCp1251("日"), "?");
}

} // namespace
} // namespace zev
