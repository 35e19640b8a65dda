#include "tests/wine/serial/bench.h"

#include "core/error.h"
#include "platform/timing.h"

#include <cstdlib>
#include <stdexcept>

namespace zev::bench {

namespace {

std::string FromEnvironment(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr || *value == '\0')
        throw std::runtime_error(std::string(name) + " is not set: run these tests through " +
                                 "tests/wine/com_peers.py");
    return value;
}

} // namespace

std::string AnswerPort() {
    return FromEnvironment("ZEV_ANSWER_PORT");
}

std::string SilentPort() {
    return FromEnvironment("ZEV_SILENT_PORT");
}

ABytes AnswerOf(const ABytes& data) {
    ABytes answer;
    for (const std::uint8_t b : data) answer.push_back(static_cast<std::uint8_t>(b + 1));
    return answer;
}

bool WaitFor(const std::function<bool()>& done, double ms) {
    const double until = PerfMilliseconds() + ms;
    while (!done() && PerfMilliseconds() < until) SleepMs(2);
    return done();
}

} // namespace zev::bench
