#pragma once
// File names travel as UTF-8 strings; this makes a path of one that the file streams understand
// on every system.

#include <filesystem>
#include <string>

namespace zev {

inline std::filesystem::path Utf8Path(const std::string& name) {
    return std::filesystem::path(
        std::u8string(reinterpret_cast<const char8_t*>(name.data()), name.size()));
}

} // namespace zev
