#pragma once
// The bilingual text table of the window and the workers, the current interface language,
// the choice of a language from the letters of a text, and label padding.

#include <cstdint>
#include <string>

namespace zev {

inline constexpr std::uint32_t kLangRussian = 0;
inline constexpr std::uint32_t kLangEnglish = 1;
inline constexpr std::uint32_t kLangTextCount = 18;

// The interface language: 0 Russian, 1 English. Russian until start-up chooses; written once on
// the main thread before any worker exists, only read afterwards.
extern std::uint32_t CurrentLanguage;

// Sets text to text number (1 .. 18) in CurrentLanguage, as UTF-8. A number outside the table or
// a language other than 0 and 1 leaves text as it was.
void GetLangText(std::uint32_t number, std::string& text);

// Sets text to pRussian or pEnglish as CurrentLanguage says; a language other than 0 and 1 leaves
// text as it was.
void PickLanguage(const char* pRussian, const char* pEnglish, std::string& text);

// text followed by spaces: at least one, and up to a length of n + 1.
std::string PadRight(const std::string& text, std::int32_t n);

// 1 (English) when the 8-bit text has at least as many ASCII letters as Windows-1251 Cyrillic
// letters А..я (bytes 0xC0..0xFF; Ё and ё are not counted), else 0 (Russian).
std::uint32_t DetectLanguage(const std::string& text);

} // namespace zev
