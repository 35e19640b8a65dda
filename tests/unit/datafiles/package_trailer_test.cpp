#include "core/error.h"
#include "datafiles/package_trailer.h"
#include "support/package_builder.h"
#include "support/temp_file.h"

#include <gtest/gtest.h>

#include <sstream>

namespace zev {
namespace {

ABytes FromStream(const ABytes& file) {
    std::istringstream stream(std::string(file.begin(), file.end()));
    ABytes payload = {0x77}; // replaced whatever happens
    ReadPackageFromStream(stream, payload);
    return payload;
}

TEST(PackageTrailer, AppendThenReadGivesThePayloadBack) {
    const ABytes payload = test::PackagePayload();
    const ABytes exe = test::ExecutableWithPackage(payload, 5000);
    ASSERT_EQ(exe.size(), 5000 + payload.size() + 8);
    const ABytes trailer(exe.end() - 8, exe.end());
    EXPECT_EQ(trailer, (ABytes{0xAA, 0xAA, 0xAA, 0xAA, 0x1A, 0x7E, 0x00, 0x00}));

    EXPECT_EQ(PackagePayloadFromBytes(exe), payload);
    EXPECT_EQ(FromStream(exe), payload);

    const auto path = test::WriteScratchFile("exe", std::string(exe.begin(), exe.end()));
    ABytes fromFile;
    EXPECT_TRUE(ReadPackageFromFile(path, fromFile));
    EXPECT_EQ(fromFile, payload);

    const auto span = PackageSpanOf(exe.size(), trailer);
    ASSERT_TRUE(span);
    EXPECT_EQ(span->offset, 5000u);
    EXPECT_EQ(span->length, payload.size());
}

TEST(PackageTrailer, InvalidTrailersMeanNoPackage) {
    const ABytes program(100, 0x11);
    struct Case {
        ABytes file;
        const char* why;
    };
    const Case cases[] = {
        {{}, "empty file"},
        {{0xAA, 0xAA, 0xAA, 0xAA, 0, 0, 0}, "seven bytes"},
        {program, "no trailer"},
        {ABytesConcat(program, ABytesFromLongs({0xAAAAAAAB, 4})), "wrong magic"},
        {ABytesConcat(program, ABytesFromLongs({0xAAAAAAAA, 0})), "empty payload"},
        {ABytesConcat(program, ABytesFromLongs({0xAAAAAAAA, 101})), "N + 8 past the start"},
        {ABytesConcat(program, ABytesFromLongs({0xAAAAAAAA, 0x80000000})), "N negative"},
        {ABytesConcat(program, ABytesFromLongs({0xAAAAAAAA, 0xFFFFFFFF})), "N = -1"},
        {ABytesConcat(program, ABytesFromLongs({0xAAAAAAAA, 0x7FFFFFFF})), "N huge"},
        {ABytesFromLongs({0xAAAAAAAA, 0}), "trailer only"},
    };
    for (const Case& c : cases) {
        EXPECT_TRUE(PackagePayloadFromBytes(c.file).empty()) << c.why;
        EXPECT_TRUE(FromStream(c.file).empty()) << c.why;
    }
    // The whole file before the trailer may be the payload.
    EXPECT_EQ(PackagePayloadFromBytes(ABytesConcat(program, ABytesFromLongs({0xAAAAAAAA, 100}))),
              program);
    EXPECT_EQ(FromStream(ABytesConcat(program, ABytesFromLongs({0xAAAAAAAA, 100}))), program);
}

TEST(PackageTrailer, UnopenableFileRaisesAndMissingPackageIsFalse) {
    ABytes payload;
    EXPECT_THROW(ReadPackageFromFile(test::ScratchPath("missing"), payload), Error);
    const auto plain = test::WriteScratchFile("plain", "just a program");
    payload = {1};
    EXPECT_FALSE(ReadPackageFromFile(plain, payload));
    EXPECT_TRUE(payload.empty());
}

TEST(PackageTrailer, TrailerBytesAndAnEmptyAppend) {
    EXPECT_EQ(PackageTrailer(32282), (ABytes{0xAA, 0xAA, 0xAA, 0xAA, 0x1A, 0x7E, 0, 0}));
    EXPECT_EQ(AppendPackage({}, {}), PackageTrailer(0));
}

} // namespace
} // namespace zev
