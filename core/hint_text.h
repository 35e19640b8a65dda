#pragma once
// The texts that tell why a search finds nothing, in the style of the text table (core/lang.h):
// numbered, in Russian and English, looked up in CurrentLanguage. They have numbers of their
// own, so the table's 18 texts keep theirs. Texts with %s and %d are format texts (core/format.h).

#include <cstdint>
#include <string>

namespace zev {

// No serial port at all.
inline constexpr std::uint32_t kHintNoPort = 1;
// %s port, %s user, %s group, %s group, %s user: the user may not open the device file.
inline constexpr std::uint32_t kHintNoAccess = 2;
// %s port: no access, and no group whose members may open it.
inline constexpr std::uint32_t kHintNoAccessNoGroup = 3;
// %s port, %s the programs that hold it.
inline constexpr std::uint32_t kHintInUseBy = 4;
// %s port: held by a program the system does not name.
inline constexpr std::uint32_t kHintInUse = 5;
// %s port, %s the system's text.
inline constexpr std::uint32_t kHintCannotOpen = 6;
// %d ports searched, none answered.
inline constexpr std::uint32_t kHintSearched = 7;
inline constexpr std::uint32_t kHintTextCount = 7;

// Sets text to hint text number (1 .. kHintTextCount) in CurrentLanguage, as UTF-8. A number
// outside the table or a language other than 0 and 1 leaves text as it was.
void GetHintText(std::uint32_t number, std::string& text);

} // namespace zev
