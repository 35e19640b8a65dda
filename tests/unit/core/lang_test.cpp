#include "core/format.h"
#include "core/lang.h"

#include <gtest/gtest.h>

#include <string>

namespace zev {
namespace {

// Sets the interface language for one test and puts the start-up value back afterwards.
class LangTest : public ::testing::Test {
protected:
    void TearDown() override { CurrentLanguage = kLangRussian; }

    static std::string Text(std::uint32_t language, std::uint32_t number) {
        CurrentLanguage = language;
        std::string text = "<unchanged>";
        GetLangText(number, text);
        return text;
    }
};

TEST_F(LangTest, LanguageIsRussianBeforeAnythingChoosesIt) {
    EXPECT_EQ(CurrentLanguage, kLangRussian);
    std::string text;
    GetLangText(1, text);
    EXPECT_EQ(text, "Нет доступа к данным.");
}

TEST_F(LangTest, TableHoldsEveryTextInBothLanguages) {
    struct Row {
        std::uint32_t number;
        const char* russian;
        const char* english;
    };
    const Row rows[] = {
        {1, "Нет доступа к данным.", "Can't access data."},
        {2, "Ошибка [%s]: Данные повреждены.", "Error [%s]: Data corrupted."},
        {3, "%s v.%x.%.2x (исп.%d, изм.%d)", "%s v.%x.%.2x (isp.%d, izm.%d)"},
        {4, "Загрузка обновления . . .", "Downloading update . . ."},
        {5, "Завершено", "Completed successfully"},
        {6, "Найдено: %d", "Devices found: %d"},
        {7, "\"%s\" %.8x v.%x.%.2x  (исп.%x, изм.%x)", "\"%s\" %.8x v.%x.%.2x  (isp.%x, izm.%x)"},
        {8, "обновление не требуется", "update is not required"},
        {9, "обновление успешно выполнено", "update successful"},
        {10, "ошибка обновления", "update error"},
        {11, "обновление не поддерживается", "update not supported"},
        {12, "устройство не доступно", "device is not available"},
        {13, "устройство не отвечает", "device is not responding"},
        {14, "Найденые устройства:", "Found Devices:"},
        {15, "Состояние обновления:", "Firmware update status:"},
        {16, "Поиск . . .", "Search . . ."},
        {17, "Продолжить", "Next"},
        {18, "Закрыть", "Close"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(Text(kLangRussian, row.number), row.russian) << "text " << row.number;
        EXPECT_EQ(Text(kLangEnglish, row.number), row.english) << "text " << row.number;
    }
}

TEST_F(LangTest, NumberOrLanguageOutsideTheTableLeavesTheTextAsItWas) {
    for (std::uint32_t number : {0u, 19u, 0xFFFFFFFFu}) {
        EXPECT_EQ(Text(kLangRussian, number), "<unchanged>") << number;
        EXPECT_EQ(Text(kLangEnglish, number), "<unchanged>") << number;
    }
    EXPECT_EQ(Text(2, 17), "<unchanged>");
    EXPECT_EQ(Text(kLangEnglish, 17), "Next");
}

TEST_F(LangTest, WindowTitleFormatsLikeTheWindowShowsIt) {
    // Device name ABC, version 0x0203, variant 1, board revision 4.
    const std::uint16_t vp = 0x0203;
    EXPECT_EQ(Format(Text(kLangEnglish, 3), {"ABC", vp >> 8, vp & 0xFF, 1, 4}),
              "ABC v.2.03 (isp.1, izm.4)");
    EXPECT_EQ(Format(Text(kLangRussian, 3), {"ABC", vp >> 8, vp & 0xFF, 1, 4}),
              "ABC v.2.03 (исп.1, изм.4)");
    // A start-up that failed before the record was read: everything zero, the name empty.
    EXPECT_EQ(Format(Text(kLangEnglish, 3), {"", 0, 0, 0, 0}), " v.0.00 (isp.0, izm.0)");
    // Two-digit low byte and decimal trailing numbers.
    EXPECT_EQ(Format(Text(kLangEnglish, 3), {"X", 0x1A, 0x1A, 12, 255}),
              "X v.1A.1A (isp.12, izm.255)");
}

TEST_F(LangTest, DeviceRowFormatsWithQuotesAndHexadecimalNumbers) {
    const std::uint16_t ver = 0x0105;
    EXPECT_EQ(Format(Text(kLangEnglish, 7), {"SIG-5", 0x1Au, ver >> 8, ver & 0xFF, 1, 2}),
              "\"SIG-5\" 0000001A v.1.05  (isp.1, izm.2)");
    EXPECT_EQ(Format(Text(kLangRussian, 7), {"SIG-5", 0x1Au, ver >> 8, ver & 0xFF, 0x1A, 0x0B}),
              "\"SIG-5\" 0000001A v.1.05  (исп.1A, изм.B)");
}

TEST_F(LangTest, ErrorLineCarriesTheCodeOrTheRussianAccessText) {
    EXPECT_EQ(Format(Text(kLangEnglish, 2), {"0x0304"}), "Error [0x0304]: Data corrupted.");
    const std::string access = Text(kLangRussian, 1);
    EXPECT_EQ(Format(Text(kLangEnglish, 2), {access}),
              "Error [Нет доступа к данным.]: Data corrupted.");
    EXPECT_EQ(Format(Text(kLangEnglish, 6), {3}), "Devices found: 3");
}

TEST(PadRight, AppendsAtLeastOneSpaceAndFillsToNPlusOne) {
    struct Case {
        std::string text;
        std::int32_t n;
        std::string expected;
    };
    const Case cases[] = {
        {"Name:", 14, "Name:          "},
        {"12345678901234567890", 14, "12345678901234567890 "},
        {"", 0, " "},
        {"", -5, " "},
        {"", 3, "    "},
        {"abc", 3, "abc "},
        {"abc", 2, "abc "},
        {"abc", INT32_MIN, "abc "},
    };
    for (const Case& c : cases)
        EXPECT_EQ(PadRight(c.text, c.n), c.expected) << '"' << c.text << "\" n=" << c.n;
    EXPECT_EQ(PadRight("Name:", 14).size(), 15u);
}

TEST(DetectLanguage, CountsAsciiLettersAgainstCyrillicBytes) {
    struct Case {
        std::string text;
        std::uint32_t expected;
        const char* why;
    };
    const Case cases[] = {
        {"", kLangEnglish, "empty text"},
        {"AB\xC0\xFF", kLangEnglish, "tie gives English"},
        {"A\xC0\xFF", kLangRussian, "more Cyrillic"},
        {"\xCF\xF0\xE8\xE1\xEE\xF0", kLangRussian, "Прибор"},
        {"ZEV-DEMO", kLangEnglish, "Latin name"},
        {"0123-45.67/89", kLangEnglish, "digits and punctuation only"},
        {"\xA8\xB8\xA8", kLangEnglish, "Ё and ё are not counted"},
        {"\xA8\xB8\xC0", kLangRussian, "one counted Cyrillic letter"},
        {"@[`{\xBF", kLangEnglish, "bytes next to the letter ranges"},
        {"z\xDF\xE0", kLangRussian, "Я and а are counted"},
    };
    for (const Case& c : cases) EXPECT_EQ(DetectLanguage(c.text), c.expected) << c.why;
}

} // namespace
} // namespace zev
