#pragma once
// The one error type of the program. Every failure of the data, protocol and port layers is
// raised as an Error whose message is the whole text shown to the user or checked by the caller:
// a code such as "0x0302", a port library message, or the worker control words below.

#include <stdexcept>
#include <string>

namespace zev {

class Error : public std::runtime_error {
public:
    explicit Error(const std::string& message) : std::runtime_error(message) {}
};

// Control words a worker step raises to end its loop or to skip to the next pass.
inline constexpr const char* kBreak = "BREAK";
inline constexpr const char* kContinue = "CONTINUE";

[[noreturn]] inline void Raise(const std::string& message) {
    throw Error(message);
}

// True when the error's message is exactly the given text.
inline bool IsMessage(const std::exception& e, const char* text) {
    return std::string(e.what()) == text;
}

} // namespace zev
