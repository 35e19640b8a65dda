#include "core/error.h"
#include "datafiles/hex_data_file.h"
#include "support/package_builder.h"

#include <gtest/gtest.h>

namespace zev {
namespace {

std::string CodeOf(THexDataFile& file, const ABytes& container) {
    try {
        file.BytesFrom(container);
    } catch (const Error& e) {
        return e.what();
    }
    return "ok";
}

TEST(BlockContainer, ReadsBlocksAndData) {
    THexDataFile file;
    file.BytesFrom(test::Container({{0x400, 0, 4}, {0x1E000, 4, 2}}, {1, 2, 3, 4, 5, 6}));
    ASSERT_EQ(file.Blocks().size(), 2u);
    EXPECT_EQ(file.Blocks()[0], (TDataBlock{0x400, 0, 4}));
    EXPECT_EQ(file.Blocks()[1], (TDataBlock{0x1E000, 4, 2}));
    EXPECT_EQ(file.Data(), (ABytes{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(file.Size(), 6);
    EXPECT_EQ(file.Flash(), 0u) << "limits are not touched";
    EXPECT_EQ(file.EEPROM(), 0u);
}

TEST(BlockContainer, RoundTripGivesBackBlocksAndData) {
    THexDataFile file;
    EXPECT_EQ(file.BytesTo(), (ABytes{0, 0}));

    const ABytes payload = test::PackagePayload();
    ASSERT_EQ(payload.size(), 32282u);
    file.BytesFrom(payload);
    EXPECT_EQ(file.BytesTo(), payload);

    THexDataFile copy;
    copy.BytesFrom(file.BytesTo());
    EXPECT_EQ(copy.Blocks(), file.Blocks());
    EXPECT_EQ(copy.Data(), file.Data());

    // Values that use all 32 bits survive too.
    const ABytes odd = test::Container({{0xFFFFFFFF, 0x80000000, 0x12345678}}, {9});
    file.BytesFrom(odd);
    EXPECT_EQ(file.Blocks()[0], (TDataBlock{0xFFFFFFFF, 0x80000000, 0x12345678}));
    EXPECT_EQ(file.BytesTo(), odd);
}

TEST(BlockContainer, ShortContainersFailAndChangeNothing) {
    struct Case {
        ABytes container;
        const char* code;
    };
    ABytes oneBlockShort = {1, 0};
    oneBlockShort.resize(2 + 11, 0);
    ABytes manyBlocks = {0xFF, 0xFF};
    manyBlocks.resize(2 + 12 * 0xFFFF - 1, 0);
    const Case cases[] = {
        {{}, "0x0301"},
        {{0x01}, "0x0301"},
        {oneBlockShort, "0x0302"},
        {manyBlocks, "0x0302"},
        {{2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, "0x0302"},
    };
    for (const Case& c : cases) {
        THexDataFile file;
        file.BytesFrom(test::Container({{1, 0, 1}}, {7}));
        EXPECT_EQ(CodeOf(file, c.container), c.code) << "size " << c.container.size();
        EXPECT_EQ(file.Blocks(), (ADataBlocks{{1, 0, 1}}));
        EXPECT_EQ(file.Data(), (ABytes{7}));
    }
}

TEST(BlockContainer, EdgeShapesAreAccepted) {
    THexDataFile file;
    file.BytesFrom({0, 0});
    EXPECT_TRUE(file.Blocks().empty());
    EXPECT_TRUE(file.Data().empty());

    file.BytesFrom({0, 0, 0xAA, 0xBB});
    EXPECT_TRUE(file.Blocks().empty());
    EXPECT_EQ(file.Data(), (ABytes{0xAA, 0xBB}));

    // A table that exactly fills the container: blocks, no data.
    file.BytesFrom(test::Container({{5, 6, 7}}, {}));
    EXPECT_EQ(file.Blocks(), (ADataBlocks{{5, 6, 7}}));
    EXPECT_TRUE(file.Data().empty());

    // A block reaching past the data keeps only the bytes inside it.
    file.BytesFrom(test::Container({{0, 1, 100}, {0, 9, 1}}, {1, 2, 3}));
    EXPECT_EQ(BlockBytes(file.Data(), file.Blocks()[0]), (ABytes{2, 3}));
    EXPECT_TRUE(BlockBytes(file.Data(), file.Blocks()[1]).empty());
    EXPECT_EQ(BlockBytes(file.Data(), {0, 0, 100}, 2), (ABytes{1, 2}));
    EXPECT_TRUE(BlockBytes(file.Data(), {0, 0xFFFFFFFF, 0xFFFFFFFF}).empty());
}

} // namespace
} // namespace zev
