// Appends one line to the daily log, as the serial library does after a session, so that a test
// can run it from a folder of its choosing: log_probe NAME LINE.

#include "comport/detail/session_log.h"

#include <cstdio>
#include <exception>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: log_probe NAME LINE\n");
        return 2;
    }
    try {
        zev::AppendDailyLog(argv[1], argv[2], false);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "log_probe: %s\n", e.what());
        return 1;
    }
    return 0;
}
