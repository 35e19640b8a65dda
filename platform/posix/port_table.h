#pragma once
// The open ports of the Linux backend. A handle is a number handed out once (never a file
// descriptor, so a stale handle cannot reach a descriptor reused for something else); the table
// maps it to the port's state. Each port is used by the one thread that owns its handle; the
// table itself is shared and locked.

#include "platform/serial.h"

#include <cstdint>
#include <linux/serial.h>
#include <memory>
#include <string>

namespace zev::os::posix {

struct TPosixPort {
    int fd = -1;
    std::string path;
    DCB dcb;          // the last line settings set, for the fields termios does not keep
    COMMTIMEOUTS cto; // timeouts as set; reads never wait, writes are bounded by them
    std::uint32_t inQueue = 0, outQueue = 0;
    serial_icounter_struct counts{}; // error counters at the last ClearErrors
    bool haveCounts = false;
    bool noCounts = false; // the driver keeps no error counters (pseudo-terminals): not asked again
};

TPortHandle AddPort(std::shared_ptr<TPosixPort> port);
std::shared_ptr<TPosixPort> FindPort(TPortHandle handle);
std::shared_ptr<TPosixPort> RemovePort(TPortHandle handle);

} // namespace zev::os::posix
