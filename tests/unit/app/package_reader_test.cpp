#include "app/detail/package_reader.h"
#include "core/error.h"
#include "core/lang.h"
#include "datafiles/package_trailer.h"
#include "support/package_builder.h"
#include "support/temp_file.h"

#include <gtest/gtest.h>

namespace zev {
namespace {

using test::WriteScratchFile;

std::string WriteBytes(const ABytes& bytes) {
    return WriteScratchFile("exe", std::string(bytes.begin(), bytes.end())).string();
}

ABytes Program(std::size_t size) {
    ABytes program(size);
    for (std::size_t k = 0; k < size; ++k) program[k] = static_cast<std::uint8_t>(k * 13 + 1);
    return program;
}

class PackageReaderTest : public ::testing::Test {
protected:
    void TearDown() override { CurrentLanguage = kLangRussian; }
};

TEST_F(PackageReaderTest, ReadsThePayloadBeforeTheTrailer) {
    const ABytes payload = test::PackagePayload();
    ABytes bytes{1, 2, 3};
    EXPECT_TRUE(ReadPackageOfFile(WriteBytes(AppendPackage(Program(5000), payload)), bytes));
    EXPECT_EQ(bytes, payload);

    // A package that is the whole file in front of its trailer.
    EXPECT_TRUE(ReadPackageOfFile(WriteBytes(AppendPackage({}, payload)), bytes));
    EXPECT_EQ(bytes, payload);
}

TEST_F(PackageReaderTest, FilesWithoutAValidTrailerHaveNoPackage) {
    const ABytes program = Program(300);
    auto withTrailer = [&](std::uint32_t magic, std::uint32_t length) {
        return ABytesConcat(program, ABytesFromLongs({magic, length}));
    };
    struct Case {
        const char* what;
        ABytes file;
    };
    const Case cases[] = {
        {"empty file", {}},
        {"shorter than a trailer", {0xAA, 0xAA, 0xAA, 0xAA, 0, 0, 0}},
        {"no trailer", program},
        {"wrong magic", withTrailer(0xAAAAAAAB, 16)},
        {"negative length", withTrailer(0xAAAAAAAA, 0xFFFFFFF0)},
        {"length one past the file", withTrailer(0xAAAAAAAA, 301)},
        {"length far past the file", withTrailer(0xAAAAAAAA, 0x7FFFFFFF)},
        {"length zero", withTrailer(0xAAAAAAAA, 0)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ABytes bytes{9};
        EXPECT_FALSE(ReadPackageOfFile(WriteBytes(c.file), bytes));
        EXPECT_TRUE(bytes.empty());
    }
    // Exactly the file: the program is empty and the payload is all of it.
    ABytes bytes;
    EXPECT_TRUE(ReadPackageOfFile(WriteBytes(withTrailer(0xAAAAAAAA, 300)), bytes));
    EXPECT_EQ(bytes, program);
}

TEST_F(PackageReaderTest, UnopenableFileRaisesTextOne) {
    const std::string missing = (test::ScratchDir() / "no-such-file").string();
    ABytes bytes{1};
    for (const auto& [language, text] : {std::pair{kLangRussian, "Нет доступа к данным."},
                                         std::pair{kLangEnglish, "Can't access data."}}) {
        CurrentLanguage = language;
        try {
            ReadPackageOfFile(missing, bytes);
            ADD_FAILURE() << "no error";
        } catch (const Error& e) {
            EXPECT_STREQ(e.what(), text);
        }
    }
    EXPECT_THROW(ReadPackageOfFile("", bytes), Error);
}

TEST_F(PackageReaderTest, OwnFileOfThisTestHasNoPackage) {
    ABytes bytes{1};
    EXPECT_FALSE(ReadAttachedPackage(bytes));
    EXPECT_TRUE(bytes.empty());
}

} // namespace
} // namespace zev
