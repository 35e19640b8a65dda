#include "bench/report.h"

#include <cstdio>

namespace zev::bench {

void Put(const std::string& pKey, const std::string& pValue) {
    std::printf("%s=%s\n", pKey.c_str(), pValue.c_str());
    std::fflush(stdout);
}

void Put(const std::string& pKey, double pValue, int pDecimals) {
    std::printf("%s=%.*f\n", pKey.c_str(), pDecimals, pValue);
    std::fflush(stdout);
}

void Put(const std::string& pKey, long long pValue) {
    std::printf("%s=%lld\n", pKey.c_str(), pValue);
    std::fflush(stdout);
}

} // namespace zev::bench
