#include "comport/detail/ini_file.h"

#include "core/text.h"
#include "core/utf8_path.h"

#include <cctype>
#include <fstream>

namespace zev {

namespace {

bool SameName(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

// The section a line opens ("[name]"), or nothing.
std::optional<std::string> SectionOf(const std::string& line) {
    const std::string t = Trim(line);
    if (t.size() < 2 || t.front() != '[' || t.back() != ']') return std::nullopt;
    return Trim(t.substr(1, t.size() - 2));
}

// The key of a "key=value" line, or nothing (comments and other lines).
std::optional<std::string> KeyOf(const std::string& line) {
    const std::string t = Trim(line);
    if (t.empty() || t.front() == ';' || t.front() == '#' || t.front() == '[') return std::nullopt;
    const auto eq = t.find('=');
    if (eq == std::string::npos) return std::nullopt;
    return Trim(t.substr(0, eq));
}

} // namespace

TIniFile::TIniFile(std::string fileName) : FFileName(std::move(fileName)) {
    std::ifstream in(Utf8Path(FFileName), std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        FLines.push_back(line);
    }
}

std::optional<std::string> TIniFile::Read(const std::string& section,
                                          const std::string& key) const {
    bool inSection = false;
    for (const auto& line : FLines) {
        if (auto s = SectionOf(line)) {
            inSection = SameName(*s, section);
            continue;
        }
        if (!inSection) continue;
        auto k = KeyOf(line);
        if (!k || !SameName(*k, key)) continue;
        std::string value = Trim(line.substr(line.find('=') + 1));
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
            value.back() == value.front())
            value = value.substr(1, value.size() - 2);
        return value;
    }
    return std::nullopt;
}

void TIniFile::Write(const std::string& section, const std::string& key, const std::string& value) {
    const std::string entry = key + "=" + value;
    bool inSection = false;
    std::size_t insertAt = FLines.size();
    bool sectionFound = false;
    for (std::size_t i = 0; i < FLines.size(); ++i) {
        if (auto s = SectionOf(FLines[i])) {
            if (inSection) break; // the next section starts: insert before it
            inSection = SameName(*s, section);
            if (inSection) {
                sectionFound = true;
                insertAt = i + 1;
            }
            continue;
        }
        if (!inSection) continue;
        if (auto k = KeyOf(FLines[i]); k && SameName(*k, key)) {
            FLines[i] = entry;
            return;
        }
        if (!Trim(FLines[i]).empty()) insertAt = i + 1;
    }
    if (!sectionFound) {
        if (!FLines.empty() && !Trim(FLines.back()).empty()) FLines.push_back("");
        FLines.push_back("[" + section + "]");
        FLines.push_back(entry);
        return;
    }
    FLines.insert(FLines.begin() + static_cast<std::ptrdiff_t>(insertAt), entry);
}

bool TIniFile::Save() const {
    std::ofstream out(Utf8Path(FFileName), std::ios::binary | std::ios::trunc);
    if (!out) return false;
    for (const auto& line : FLines) out << line << "\r\n";
    out.flush();
    return static_cast<bool>(out);
}

std::optional<std::int32_t> ParseIniInteger(const std::string& raw) {
    const std::string text = Trim(raw);
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    unsigned base = 10;
    if (text.compare(i, 1, "$") == 0) {
        base = 16;
        i += 1;
    } else if (text.size() >= i + 2 && text[i] == '0' &&
               (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    if (i == text.size()) return std::nullopt;
    std::uint64_t number = 0;
    for (; i < text.size(); ++i) {
        const int c = std::tolower(static_cast<unsigned char>(text[i]));
        unsigned digit;
        if (c >= '0' && c <= '9')
            digit = static_cast<unsigned>(c - '0');
        else if (base == 16 && c >= 'a' && c <= 'f')
            digit = static_cast<unsigned>(c - 'a' + 10);
        else
            return std::nullopt;
        number = number * base + digit;
        if (number > 0xFFFFFFFFull) return std::nullopt;
    }
    std::int64_t value;
    if (base == 16) {
        value = static_cast<std::int32_t>(static_cast<std::uint32_t>(number));
    } else {
        if (number > (negative ? 2147483648ull : 2147483647ull)) return std::nullopt;
        value = static_cast<std::int64_t>(number);
    }
    if (negative) value = -value;
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
}

} // namespace zev
