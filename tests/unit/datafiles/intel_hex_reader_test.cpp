#include "core/error.h"
#include "datafiles/hex_data_file.h"
#include "support/temp_file.h"

#include <gtest/gtest.h>

#include <vector>

namespace zev {
namespace {

// Records what the reader reports, one short line per event.
class Recorder : public THexReadObserver {
public:
    void OnData(std::size_t line, std::size_t block, std::uint32_t address,
                std::size_t length) override {
        events.push_back("data " + std::to_string(line) + " b" + std::to_string(block) + " @" +
                         std::to_string(address) + " +" + std::to_string(length));
    }
    void OnBlock(std::size_t line, std::size_t block, std::uint32_t base) override {
        events.push_back("block " + std::to_string(line) + " b" + std::to_string(block) + " @" +
                         std::to_string(base));
    }
    void OnSkip(std::size_t line, THexLineSkip why, const std::string&,
                const std::string& detail) override {
        events.push_back("skip " + std::to_string(line) + " " +
                         std::to_string(static_cast<int>(why)) + (detail.empty() ? "" : " ") +
                         detail);
    }
    void OnEnd(std::size_t eofLine) override { events.push_back("end " + std::to_string(eofLine)); }

    std::vector<std::string> events;
};

std::string Skip(std::size_t line, THexLineSkip why, const std::string& detail = "") {
    return "skip " + std::to_string(line) + " " + std::to_string(static_cast<int>(why)) +
           (detail.empty() ? "" : " ") + detail;
}

THexDataFile Read(const std::string& text, std::uint32_t eeprom = 0x20000,
                  THexReadObserver* observer = nullptr) {
    THexDataFile file;
    file.SetInfo(0x10000, eeprom);
    file.SetObserver(observer);
    file.Load(test::WriteScratchFile("hex", text));
    return file;
}

const std::string kThreeLines = ":020000040001F9\r\n:0400000001020304F2\r\n:00000001FF\r\n";

TEST(IntelHexReader, ThreeLineExampleUnderBothLimits) {
    const THexDataFile wide = Read(kThreeLines, 0x20000);
    EXPECT_EQ(wide.Blocks(), (ADataBlocks{{0x10000, 0, 4}}));
    EXPECT_EQ(wide.Data(), (ABytes{1, 2, 3, 4}));

    Recorder recorder;
    const THexDataFile narrow = Read(kThreeLines, 0xFFFF, &recorder);
    EXPECT_TRUE(narrow.Blocks().empty());
    EXPECT_TRUE(narrow.Data().empty());
    EXPECT_EQ(recorder.events,
              (std::vector<std::string>{Skip(1, THexLineSkip::AddressAboveLimit),
                                        Skip(2, THexLineSkip::AboveLimit), "end 3"}));
}

TEST(IntelHexReader, GapsAreZeroFilled) {
    const THexDataFile file = Read(":02000000AABB99\n:02001000CCDD45\n:00000001FF\n");
    EXPECT_EQ(file.Blocks(), (ADataBlocks{{0, 0, 0x12}}));
    ABytes expected(0x12, 0x00);
    expected[0] = 0xAA;
    expected[1] = 0xBB;
    expected[0x10] = 0xCC;
    expected[0x11] = 0xDD;
    EXPECT_EQ(file.Data(), expected);
}

TEST(IntelHexReader, AcceptsEveryLineEndBlankLinesLowerCaseAndPadding) {
    const std::string records[] = {":020000040000fa", ":020010000102EB", ":0100120003EA",
                                   ":00000001ff"};
    for (const std::string end : {"\r\n", "\n", "\r"}) {
        std::string text = "\n" + end + "  " + records[0] + " \t" + end + end + records[1] + end;
        text += "\t" + records[2] + end + records[3];
        Recorder recorder;
        const THexDataFile file = Read(text, 0x20000, &recorder);
        EXPECT_EQ(file.Blocks(), (ADataBlocks{{0x10, 0, 3}}));
        EXPECT_EQ(file.Data(), (ABytes{1, 2, 3}));
        EXPECT_EQ(recorder.events.back(), "end 7") << "CR LF is one line end, LF CR two";
    }
}

TEST(IntelHexReader, BadLinesAreSkippedAndReadingGoesOn) {
    Recorder recorder;
    const THexDataFile file = Read(":0100000011EE\n"       // 1 kept
                                   ":0100010022DD\n"       // 2 wrong checksum
                                   ":01000Z0022DD\n"       // 3 bad character
                                   ":05000200334455\n"     // 4 too few bytes
                                   "X0100020033CA\n"       // 5 no colon: read like any record
                                   ":0000000300\n"         // 6 checksum wrong
                                   ":0400000300001234B3\n" // 7 start segment: ignored
                                   ":0400000500001234B1\n" // 8 start linear: ignored
                                   ":short\n"              // 9
                                   ":00000001FF\n"         // 10
                                   ":0100030044B8\n",      // 11 after the end: not read
                                   0x20000, &recorder);
    EXPECT_EQ(file.Blocks(), (ADataBlocks{{0, 0, 3}}));
    EXPECT_EQ(file.Data(), (ABytes{0x11, 0x00, 0x33}));
    EXPECT_EQ(recorder.events,
              (std::vector<std::string>{
                  "data 1 b0 @0 +1", Skip(2, THexLineSkip::BadRecord, "0x0308"),
                  Skip(3, THexLineSkip::BadRecord, "0x0401"),
                  Skip(4, THexLineSkip::BadRecord, "0x0309"), "data 5 b0 @2 +1",
                  Skip(6, THexLineSkip::BadRecord, "0x0308"), Skip(7, THexLineSkip::OtherType),
                  Skip(8, THexLineSkip::OtherType), Skip(9, THexLineSkip::ShortLine), "end 10"}));
}

TEST(IntelHexReader, EveryAddressRecordOpensABlockBackToBack) {
    const THexDataFile file = Read(":0100000001FE\n"   // data at 0: first block
                                   ":020000021000EC\n" // segment 0x1000 -> base 0x10000
                                   ":02000000AABB99\n" // block 1 at 0x10000
                                   ":020000040001F9\n" // same base again: a new block
                                   ":02000200CCDD53\n" // block 2 at 0x10002
                                   ":020000040002F8\n" // base 0x20000: opens block 3
                                   ":02000000EEFF11\n" // 0x20000, within the limit
                                   ":020000040003F7\n" // above the limit: no block
                                   ":0100000099\n"     // one byte short: skipped
                                   ":0100000077...\n"  // junk
                                   ":00000001FF\n");
    EXPECT_EQ(file.Blocks(),
              (ADataBlocks{{0, 0, 1}, {0x10000, 1, 2}, {0x10002, 3, 2}, {0x20000, 5, 2}}));
    EXPECT_EQ(file.Data(), (ABytes{0x01, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF}));
}

TEST(IntelHexReader, RecordBelowItsBlockOrShortAddressRecordIsSkipped) {
    Recorder recorder;
    const THexDataFile file = Read(":02001000AABB89\n" // block 0 starts at 0x10
                                   ":02000000CCDD55\n" // below 0x10: skipped
                                   ":0100000400FB\n"   // address record with one byte: skipped
                                   ":02001200EEFFFF\n",
                                   0x20000, &recorder);
    EXPECT_EQ(file.Blocks(), (ADataBlocks{{0x10, 0, 0}})) << "no end record: L stays 0";
    EXPECT_EQ(file.Data(), (ABytes{0xAA, 0xBB, 0xEE, 0xFF}));
    EXPECT_EQ(recorder.events[1], Skip(2, THexLineSkip::BelowBlock));
    EXPECT_EQ(recorder.events[2], Skip(3, THexLineSkip::ShortAddress));
    EXPECT_EQ(recorder.events.back(), "end 0");
}

TEST(IntelHexReader, ALaterLowerRecordCutsTheBufferToItsEnd) {
    const THexDataFile file = Read(":02000000AABB99\n"
                                   ":02001000CCDD45\n"
                                   ":01000100EE10\n"
                                   ":00000001FF\n");
    EXPECT_EQ(file.Blocks(), (ADataBlocks{{0, 0, 2}}));
    EXPECT_EQ(file.Data(), (ABytes{0xAA, 0xEE}));
}

TEST(IntelHexReader, EndRecordWithoutBlockAndEmptyTexts) {
    for (const std::string text : {"", "\n\n", ":00000001FF\n:0100000011EE\n", "garbage line\n"}) {
        const THexDataFile file = Read(text);
        EXPECT_TRUE(file.Blocks().empty()) << text;
        EXPECT_TRUE(file.Data().empty()) << text;
    }
}

std::string Record(std::uint8_t type, std::uint16_t address, ABytes data) {
    THexRec rec;
    rec.L = static_cast<std::uint8_t>(data.size());
    rec.T = type;
    rec.A = address;
    rec.D = std::move(data);
    return THexRec::ToText(rec) + "\n";
}

TEST(IntelHexReader, ReplacesEarlierContentsAndStopsAtTheBufferLimit) {
    THexDataFile file;
    file.SetInfo(0x10000, 0xFFFFFFFF);
    file.BytesFrom({1, 0, 9, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0x42});
    // Each block spans 64 KiB with two records; a few hundred of them would ask for more
    // than the reader's buffer limit, so the records beyond it are dropped.
    std::string text;
    const std::size_t blocks = kHexBufferLimit / 0x10000 + 8;
    for (std::size_t k = 0; k < blocks; ++k) {
        const auto upper = static_cast<std::uint8_t>(k);
        text += Record(4, 0, {0, upper});
        text += Record(0, 0x0000, {upper});
        text += Record(0, 0xFFFF, {0x5A});
    }
    text += Record(1, 0, {});
    Recorder recorder;
    file.SetObserver(&recorder);
    file.Load(test::WriteScratchFile("hex", text));
    EXPECT_LE(file.Data().size(), kHexBufferLimit);
    EXPECT_EQ(file.Blocks().size(), blocks);
    EXPECT_EQ(file.Blocks()[0], (TDataBlock{0, 0, 0x10000}));
    EXPECT_EQ(file.Blocks()[1], (TDataBlock{0x10000, 0x10000, 0x10000}));
    const std::string droppedEvent =
        " " + std::to_string(static_cast<int>(THexLineSkip::BufferLimit));
    std::size_t dropped = 0;
    for (const std::string& event : recorder.events)
        if (event.rfind("skip ", 0) == 0 && event.ends_with(droppedEvent)) ++dropped;
    EXPECT_GE(dropped, 8u);
    // Nothing of the earlier contents is left.
    EXPECT_EQ(file.Data()[0], 0x00);

    // A first block at the top of the address space is fine: only the span inside a block and
    // the number of blocks make the buffer grow.
    THexDataFile far;
    far.SetInfo(0x10000, 0xFFFFFFFF);
    far.Load(test::WriteScratchFile("hex", ":02000004FFFFFC\n"
                                           ":01FFFF0011F0\n"
                                           ":00000001FF\n"));
    EXPECT_EQ(far.Blocks(), (ADataBlocks{{0xFFFFFFFF, 0, 1}}));
    EXPECT_EQ(far.Data(), (ABytes{0x11}));
}

TEST(IntelHexReader, OverlongLinesAreSkipped) {
    Recorder recorder;
    const std::string longLine(kHexLineLimit + 10, '0');
    const THexDataFile file =
        Read(":0100000011EE\n" + longLine + "\n:0100010022DC\n:00000001FF", 0x20000, &recorder);
    EXPECT_EQ(file.Data(), (ABytes{0x11, 0x22}));
    EXPECT_EQ(recorder.events[1], Skip(2, THexLineSkip::BadRecord, "line too long"));
}

TEST(DataFileIo, LoadNeedsAnExistingRegularFile) {
    THexDataFile file;
    file.BytesFrom({1, 0, 9, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0x42});
    try {
        file.Load(test::ScratchPath("missing"));
        FAIL() << "no error";
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "0x0310");
    }
    EXPECT_THROW(file.Load(test::ScratchDir()), Error) << "a directory";
    EXPECT_EQ(file.Data(), (ABytes{0x42})) << "failed loads change nothing";
    EXPECT_EQ(file.Name(), "");
}

TEST(DataFileIo, SaveAsWritesNothingAndKeepsExistingBytes) {
    THexDataFile file;
    file.BytesFrom({0, 0, 1, 2, 3});
    const auto existing = test::WriteScratchFile("keep", "previous");
    file.SaveAs(existing);
    EXPECT_EQ(test::ReadWholeFile(existing), "previous");

    const auto created = test::ScratchPath("new");
    file.SaveAs(created);
    EXPECT_TRUE(std::filesystem::exists(created));
    EXPECT_EQ(test::ReadWholeFile(created), "");
    EXPECT_EQ(file.Name(), "");
    EXPECT_THROW(file.Save(), Error) << "no name to save to";
    EXPECT_THROW(file.SaveAs(test::ScratchPath("no-dir") / "x"), Error);
}

} // namespace
} // namespace zev
