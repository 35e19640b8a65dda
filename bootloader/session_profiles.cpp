#include "bootloader/session_profiles.h"

namespace zev {

TCPCSetup BootPortSetup() {
    TCPCSetup setup;
    setup.Default(kBootBaudRate, 1);
    return setup;
}

TSessionParams SearchSessionProfile() {
    TSessionParams sp;
    return sp.Init(300, 64, 100, 2, 400);
}

TSessionParams ProgSessionProfile() {
    TSessionParams sp;
    return sp.Init(750, 64, 100, 1, 1000);
}

} // namespace zev
