#pragma once
// Command-line words of zev-pack: positional arguments and options with a value.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace zev::pack {

// A usage error: reported with a hint to --help and exit status 2.
struct UsageError {
    std::string message;
};

class Args {
public:
    // valueOptions take the next word as their value (and may repeat); flags take none.
    Args(const std::vector<std::string>& words, const std::vector<std::string>& valueOptions,
         const std::vector<std::string>& flags);

    const std::vector<std::string>& Positional() const { return FPositional; }
    bool Flag(const std::string& name) const;
    std::vector<std::string> Values(const std::string& name) const;
    // The option's single value, or none; raises a usage error when given twice.
    std::optional<std::string> Value(const std::string& name) const;
    std::string Required(const std::string& name) const;
    // The file named by -o or --output (one of them, once).
    std::string Output() const;

private:
    std::vector<std::string> FPositional;
    std::map<std::string, std::vector<std::string>> FValues;
    std::map<std::string, bool> FFlags;
};

// An unsigned number in decimal or with a 0x prefix, at most max.
std::uint32_t ParseNumber(const std::string& option, const std::string& text, std::uint32_t max);

} // namespace zev::pack
