#include "tools/zev-pack/args.h"

#include <algorithm>

namespace zev::pack {

Args::Args(const std::vector<std::string>& words, const std::vector<std::string>& valueOptions,
           const std::vector<std::string>& flags) {
    auto known = [](const std::vector<std::string>& list, const std::string& word) {
        return std::find(list.begin(), list.end(), word) != list.end();
    };
    for (std::size_t k = 0; k < words.size(); ++k) {
        const std::string& word = words[k];
        if (known(valueOptions, word)) {
            if (k + 1 >= words.size()) throw UsageError{word + " needs a value"};
            FValues[word].push_back(words[++k]);
        } else if (known(flags, word)) {
            FFlags[word] = true;
        } else if (word.size() > 1 && word[0] == '-') {
            throw UsageError{"unknown option " + word};
        } else {
            FPositional.push_back(word);
        }
    }
}

bool Args::Flag(const std::string& name) const {
    return FFlags.count(name) != 0;
}

std::vector<std::string> Args::Values(const std::string& name) const {
    auto found = FValues.find(name);
    return found == FValues.end() ? std::vector<std::string>{} : found->second;
}

std::optional<std::string> Args::Value(const std::string& name) const {
    const auto values = Values(name);
    if (values.empty()) return std::nullopt;
    if (values.size() > 1) throw UsageError{name + " given more than once"};
    return values.front();
}

std::string Args::Required(const std::string& name) const {
    const auto value = Value(name);
    if (!value) throw UsageError{"missing " + name};
    return *value;
}

std::string Args::Output() const {
    const auto shortForm = Value("-o");
    const auto longForm = Value("--output");
    if (shortForm && longForm) throw UsageError{"-o and --output given both"};
    if (!shortForm && !longForm) throw UsageError{"missing -o OUT"};
    return shortForm ? *shortForm : *longForm;
}

std::uint32_t ParseNumber(const std::string& option, const std::string& text, std::uint32_t max) {
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    const std::string digits = hex ? text.substr(2) : text;
    if (digits.empty() || digits.size() > 10)
        throw UsageError{option + ": not a number: \"" + text + "\""};
    std::uint64_t value = 0;
    for (char c : digits) {
        int digit = -1;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (hex && c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (hex && c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        if (digit < 0) throw UsageError{option + ": not a number: \"" + text + "\""};
        value = value * (hex ? 16 : 10) + static_cast<std::uint64_t>(digit);
    }
    if (value > max)
        throw UsageError{option + ": " + text + " is larger than " + std::to_string(max)};
    return static_cast<std::uint32_t>(value);
}

} // namespace zev::pack
