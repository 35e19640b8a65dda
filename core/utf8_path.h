#pragma once
// File names travel as UTF-8 strings; these turn one into a path that the file streams
// understand on every system, and a path back into UTF-8 text for messages.

#include <filesystem>
#include <string>

namespace zev {

inline std::filesystem::path Utf8Path(const std::string& name) {
    return std::filesystem::path(
        std::u8string(reinterpret_cast<const char8_t*>(name.data()), name.size()));
}

inline std::string Utf8Text(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(reinterpret_cast<const char*>(text.data()), text.size());
}

} // namespace zev
