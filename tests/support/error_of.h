#pragma once
// The message of the library error a call raises, for tests that compare messages.

#include "core/error.h"

#include <functional>
#include <string>

namespace zev::test {

// The message of the Error the call raises, or "no error" when it returns.
inline std::string ErrorOf(const std::function<void()>& pCall) {
    try {
        pCall();
    } catch (const Error& e) {
        return e.what();
    }
    return "no error";
}

} // namespace zev::test
