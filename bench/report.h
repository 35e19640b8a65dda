#pragma once
// The benchmark's results on standard output, one "key=value" line each, for bench/run.sh.

#include <cstdint>
#include <string>

namespace zev::bench {

void Put(const std::string& pKey, const std::string& pValue);
void Put(const std::string& pKey, double pValue, int pDecimals);
void Put(const std::string& pKey, long long pValue);

} // namespace zev::bench
