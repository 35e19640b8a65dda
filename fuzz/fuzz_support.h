#pragma once
// Helpers shared by the libFuzzer targets: an input a target rejects must be rejected with one
// of the codes its code documents; any other error, or a broken invariant, is a finding.

#include "core/error.h"

#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <string>

namespace zev::fuzz {

// Stops the run with a message; libFuzzer keeps the input as a crash.
[[noreturn]] inline void Finding(const std::string& pWhat) {
    std::fprintf(stderr, "FUZZ FINDING: %s\n", pWhat.c_str());
    std::abort();
}

inline void Expect(bool pHolds, const char* pWhat) {
    if (!pHolds) Finding(pWhat);
}

// The error must carry one of the codes.
inline void ExpectCode(const Error& pError, std::initializer_list<const char*> pCodes,
                       const char* pWhere) {
    for (const char* code : pCodes)
        if (IsMessage(pError, code)) return;
    Finding(std::string(pWhere) + " raised an unexpected error: " + pError.what());
}

} // namespace zev::fuzz
