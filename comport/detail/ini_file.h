#pragma once
// A small INI file: sections of key=value lines. Section and key names match in any letter case;
// lines the reader does not understand (comments, blank lines) are kept as they are.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zev {

class TIniFile {
public:
    // Reads the file; a missing or unreadable file reads as empty.
    explicit TIniFile(std::string fileName);

    // The value of the key, trimmed (and without surrounding quotes); nothing when missing.
    std::optional<std::string> Read(const std::string& section, const std::string& key) const;
    // Sets the key, adding it (and its section) where missing.
    void Write(const std::string& section, const std::string& key, const std::string& value);
    // Writes the file with CR LF line ends; false when it cannot be written.
    bool Save() const;

private:
    std::string FFileName;
    std::vector<std::string> FLines;
};

// An integer as INI readers take it: decimal with an optional minus sign, or hexadecimal with a
// "0x" or "$" prefix, surrounding blanks allowed. Decimal must fit 32 bits signed, hexadecimal
// 32 bits unsigned (taken as its two's complement). Nothing for any other text.
std::optional<std::int32_t> ParseIniInteger(const std::string& text);

} // namespace zev
