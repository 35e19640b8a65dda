// The serial calls on Linux terminals. A port is opened non-blocking and exclusively (TIOCEXCL
// against other openers, an flock lock against openers that ignore it such as root); reads take
// what has arrived and never wait; writes wait for room in the output queue, bounded in time.

#include "platform/posix/dev_roots.h"
#include "platform/posix/port_table.h"
#include "platform/posix/termios_map.h"
#include "platform/posix/tty_scan.h"
#include "platform/serial.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

namespace zev::os {

namespace {

using posix::TPosixPort;

constexpr std::uint32_t kDefaultQueue = 4096; // the terminal layer's own receive buffer

// The code of the call that just failed; EIO when it left none.
std::error_code Errno() {
    return SystemError(errno == 0 ? EIO : errno);
}

// The line settings a port starts with before anyone sets them.
DCB InitialDcb() {
    DCB dcb;
    dcb.BaudRate = 9600;
    dcb.fBinary(true);
    dcb.fDtrControl(1);
    dcb.fRtsControl(1);
    dcb.XonLim = 2048;
    dcb.XoffLim = 512;
    dcb.ByteSize = 8;
    dcb.XonChar = 0x11;
    dcb.XoffChar = 0x13;
    return dcb;
}

// True when the device file is a character device; errno tells why not otherwise.
bool IsCharDevice(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return false;
    if (!S_ISCHR(st.st_mode)) {
        errno = ENOENT;
        return false;
    }
    return true;
}

// The machine's console must never be opened: it would take our line settings and data.
bool IsSystemConsole(const std::string& path) {
    const std::string sysRoot = posix::SysRoot();
    return posix::IsConsoleTty(path, sysRoot) ||
           (sysRoot != "/sys" && posix::IsConsoleTty(path, "/sys"));
}

void SetModemLine(int fd, int line, bool on) {
    // Pseudo-terminals have no modem lines; their refusal is no error of ours.
    (void)::ioctl(fd, on ? TIOCMBIS : TIOCMBIC, &line);
}

double NowMs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<double>(ts.tv_sec) * 1000.0 + static_cast<double>(ts.tv_nsec) / 1e6;
}

} // namespace

std::error_code SerialOpen(const std::string& name, std::uint32_t desiredAccess,
                           TPortHandle& port) {
    port = kNoPort;
    const std::string path = posix::PortDeviceFile(name);
    if (path.empty()) return SystemError(ENOENT);
    if (!IsCharDevice(path)) return Errno();
    // ttyS nodes exist for every possible UART; one without hardware is no port.
    if (posix::IsUartMissing(path, posix::SysRoot())) return SystemError(ENODEV);
    // Held by the system.
    if (IsSystemConsole(path)) return SystemError(EBUSY);

    int flags = O_NOCTTY | O_NONBLOCK | O_CLOEXEC;
    const bool canRead = desiredAccess & kGenericRead;
    const bool canWrite = desiredAccess & kGenericWrite;
    flags |= (canRead && canWrite) ? O_RDWR : canWrite ? O_WRONLY : O_RDONLY;
    const int fd = ::open(path.c_str(), flags);
    if (fd < 0) return Errno();
    auto fail = [fd](std::error_code code) {
        ::close(fd);
        return code;
    };
    if (!::isatty(fd)) return fail(SystemError(ENOTTY));
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) return fail(Errno());
    (void)::ioctl(fd, TIOCEXCL);

    termios tio{};
    if (::tcgetattr(fd, &tio) != 0) return fail(Errno());
    auto state = std::make_shared<TPosixPort>();
    state->fd = fd;
    state->path = path;
    state->dcb = posix::TermiosToDcb(tio, InitialDcb());
    state->inQueue = state->outQueue = kDefaultQueue;
    port = posix::AddPort(std::move(state));
    return {};
}

std::error_code SerialClose(TPortHandle port) {
    auto state = posix::RemovePort(port);
    if (!state) return SystemError(EBADF);
    (void)::ioctl(state->fd, TIOCNXCL);
    ::close(state->fd); // also drops the flock lock
    return {};
}

std::error_code SerialGetState(TPortHandle port, DCB& dcb) {
    auto state = posix::FindPort(port);
    if (!state) return SystemError(EBADF);
    termios tio{};
    if (::tcgetattr(state->fd, &tio) != 0) return Errno();
    dcb = posix::TermiosToDcb(tio, state->dcb);
    return {};
}

std::error_code SerialSetState(TPortHandle port, const DCB& dcb) {
    auto state = posix::FindPort(port);
    if (!state) return SystemError(EBADF);
    termios tio{};
    if (::tcgetattr(state->fd, &tio) != 0) return Errno();
    if (!posix::DcbToTermios(dcb, tio)) return Errno();
    if (::tcsetattr(state->fd, TCSANOW, &tio) != 0) return Errno();
    // DTR and RTS follow the control fields: 0 holds the line off, anything else raises it (the
    // terminal driver runs RTS handshaking itself under CRTSCTS).
    SetModemLine(state->fd, TIOCM_DTR, dcb.fDtrControl() != 0);
    SetModemLine(state->fd, TIOCM_RTS, dcb.fRtsControl() != 0);
    state->dcb = dcb;
    return {};
}

std::error_code SerialGetTimeouts(TPortHandle port, COMMTIMEOUTS& cto) {
    auto state = posix::FindPort(port);
    if (!state) return SystemError(EBADF);
    cto = state->cto;
    return {};
}

std::error_code SerialSetTimeouts(TPortHandle port, const COMMTIMEOUTS& cto) {
    auto state = posix::FindPort(port);
    if (!state) return SystemError(EBADF);
    state->cto = cto;
    return {};
}

std::error_code SerialSetQueues(TPortHandle port, std::uint32_t inQueue, std::uint32_t outQueue) {
    auto state = posix::FindPort(port);
    if (!state) return SystemError(EBADF);
    // The terminal layer's buffers have fixed sizes; the wish is kept and reported back.
    state->inQueue = inQueue;
    state->outQueue = outQueue;
    return {};
}

std::error_code SerialPurge(TPortHandle port, std::uint32_t flags) {
    auto state = posix::FindPort(port);
    if (!state) return SystemError(EBADF);
    if (flags & ~std::uint32_t{0x0F}) return SystemError(EINVAL);
    const bool in = flags & (kPurgeRxAbort | kPurgeRxClear);
    const bool out = flags & (kPurgeTxAbort | kPurgeTxClear);
    if (!in && !out) return {};
    if (::tcflush(state->fd, in && out ? TCIOFLUSH : in ? TCIFLUSH : TCOFLUSH) != 0) return Errno();
    return {};
}

std::error_code SerialClearErrors(TPortHandle port, std::uint32_t& errors, COMSTAT& stat) {
    auto state = posix::FindPort(port);
    if (!state) return SystemError(EBADF);
    errors = 0;
    stat = COMSTAT{};
    int waiting = 0;
    if (::ioctl(state->fd, FIONREAD, &waiting) != 0) return Errno();
    int queued = 0;
    if (::ioctl(state->fd, TIOCOUTQ, &queued) != 0) queued = 0;
    stat.cbInQue = static_cast<std::uint32_t>(std::max(waiting, 0));
    stat.cbOutQue = static_cast<std::uint32_t>(std::max(queued, 0));
    // Line errors as counters where the driver keeps them (real UARTs; not pseudo-terminals):
    // every counter that grew since the last call sets its bit. A driver without counters
    // refuses the request as unknown and is not asked again: sessions poll every millisecond.
    if (state->noCounts) return {};
    serial_icounter_struct counts{};
    if (::ioctl(state->fd, TIOCGICOUNT, &counts) != 0) {
        if (errno == EINVAL || errno == ENOTTY) state->noCounts = true;
    } else {
        if (state->haveCounts) {
            const auto& last = state->counts;
            if (counts.buf_overrun != last.buf_overrun) errors |= kCeRxOver;
            if (counts.overrun != last.overrun) errors |= kCeOverrun;
            if (counts.parity != last.parity) errors |= kCeRxParity;
            if (counts.frame != last.frame) errors |= kCeFrame;
            if (counts.brk != last.brk) errors |= kCeBreak;
        }
        state->counts = counts;
        state->haveCounts = true;
    }
    return {};
}

std::error_code SerialGetProperties(TPortHandle port, COMMPROP& prop) {
    auto state = posix::FindPort(port);
    if (!state) return SystemError(EBADF);
    prop = COMMPROP{};
    prop.wPacketLength = sizeof(COMMPROP);
    prop.wPacketVersion = 2;
    prop.dwServiceMask = 1; // serial communications
    prop.dwMaxTxQueue = 0;  // the driver's write room varies: no fixed limit
    prop.dwMaxRxQueue = kDefaultQueue;
    prop.dwMaxBaud = 0x10000000; // user-defined rates
    prop.dwProvSubType = 1;      // RS-232
    prop.dwCurrentTxQueue = state->outQueue;
    prop.dwCurrentRxQueue = state->inQueue;
    return {};
}

std::error_code SerialDefaultConfig(const std::string& name, COMMCONFIG& config) {
    if (config.dwSize < sizeof(COMMCONFIG)) return SystemError(EINVAL);
    const std::string path = posix::PortDeviceFile(name);
    if (path.empty()) return SystemError(ENOENT);
    if (!IsCharDevice(path)) return Errno();
    config = COMMCONFIG{};
    config.wVersion = 1;
    config.dcb = InitialDcb();
    config.dwProviderSubType = 1;
    return {};
}

std::error_code SerialRead(TPortHandle port, std::uint8_t* data, std::uint32_t size,
                           std::uint32_t& done) {
    done = 0;
    auto state = posix::FindPort(port);
    if (!state) return SystemError(EBADF);
    if (size == 0) return {};
    for (;;) {
        const ssize_t n = ::read(state->fd, data, size);
        if (n > 0) {
            done = static_cast<std::uint32_t>(n);
            return {};
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return Errno();
        // Nothing came. A raw terminal reads 0 both when no data is waiting and when the line
        // has hung up (the far end of a pseudo-terminal closed): only poll tells them apart.
        pollfd pfd{state->fd, POLLIN, 0};
        if (::poll(&pfd, 1, 0) > 0 && (pfd.revents & (POLLHUP | POLLERR | POLLNVAL)))
            return SystemError(EIO);
        return {};
    }
}

std::error_code SerialWrite(TPortHandle port, const std::uint8_t* data, std::uint32_t size,
                            std::uint32_t& done) {
    done = 0;
    auto state = posix::FindPort(port);
    if (!state) return SystemError(EBADF);
    // The write timeouts bound the whole write; without them a stuck line still ends: after
    // twice the bytes' time on the line plus a second.
    const auto& cto = state->cto;
    double limit =
        static_cast<double>(cto.WriteTotalTimeoutMultiplier) * size + cto.WriteTotalTimeoutConstant;
    if (limit <= 0) {
        const double baud = std::max<std::uint32_t>(state->dcb.BaudRate, 50);
        limit = 1000.0 + 2.0 * size * 10.0 * 1000.0 / baud;
    }
    const double deadline = NowMs() + limit;
    while (done < size) {
        const ssize_t n = ::write(state->fd, data + done, size - done);
        if (n > 0) {
            done += static_cast<std::uint32_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return Errno();
        const double left = deadline - NowMs();
        if (left <= 0) break; // timed out: the count tells how much went
        pollfd pfd{state->fd, POLLOUT, 0};
        if (::poll(&pfd, 1, static_cast<int>(std::min(left, 100.0)) + 1) < 0 && errno != EINTR)
            return Errno();
    }
    return {};
}

} // namespace zev::os
