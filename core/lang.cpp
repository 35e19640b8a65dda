#include "core/lang.h"

#include <array>

namespace zev {

std::uint32_t CurrentLanguage = kLangRussian;

namespace {

struct LangText {
    const char* russian;
    const char* english;
};

// Texts 1 .. 18; texts 2, 3, 6 and 7 are format texts.
constexpr std::array<LangText, kLangTextCount> kTexts = {{
    {"Нет доступа к данным.", "Can't access data."},
    {"Ошибка [%s]: Данные повреждены.", "Error [%s]: Data corrupted."},
    {"%s v.%x.%.2x (исп.%d, изм.%d)", "%s v.%x.%.2x (isp.%d, izm.%d)"},
    {"Загрузка обновления . . .", "Downloading update . . ."},
    {"Завершено", "Completed successfully"},
    {"Найдено: %d", "Devices found: %d"},
    {"\"%s\" %.8x v.%x.%.2x  (исп.%x, изм.%x)", "\"%s\" %.8x v.%x.%.2x  (isp.%x, izm.%x)"},
    {"обновление не требуется", "update is not required"},
    {"обновление успешно выполнено", "update successful"},
    {"ошибка обновления", "update error"},
    {"обновление не поддерживается", "update not supported"},
    {"устройство не доступно", "device is not available"},
    {"устройство не отвечает", "device is not responding"},
    {"Найденые устройства:", "Found Devices:"},
    {"Состояние обновления:", "Firmware update status:"},
    {"Поиск . . .", "Search . . ."},
    {"Продолжить", "Next"},
    {"Закрыть", "Close"},
}};

} // namespace

void GetLangText(std::uint32_t number, std::string& text) {
    if (number < 1 || number > kLangTextCount) return;
    PickLanguage(kTexts[number - 1].russian, kTexts[number - 1].english, text);
}

void PickLanguage(const char* pRussian, const char* pEnglish, std::string& text) {
    if (CurrentLanguage == kLangRussian)
        text = pRussian;
    else if (CurrentLanguage == kLangEnglish)
        text = pEnglish;
}

std::string PadRight(const std::string& text, std::int32_t n) {
    std::string result = text;
    do {
        result += ' ';
    } while (static_cast<std::int64_t>(result.size()) <= n);
    return result;
}

std::uint32_t DetectLanguage(const std::string& text) {
    std::size_t latin = 0;
    std::size_t cyrillic = 0;
    for (const char c : text) {
        const auto b = static_cast<unsigned char>(c);
        if ((b >= 0x41 && b <= 0x5A) || (b >= 0x61 && b <= 0x7A))
            ++latin;
        else if (b >= 0xC0)
            ++cyrillic;
    }
    return latin >= cyrillic ? kLangEnglish : kLangRussian;
}

} // namespace zev
