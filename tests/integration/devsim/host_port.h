#pragma once
// The host's side of a simulated device: the pseudo-terminal opened raw, bootloader request
// frames built here byte by byte, and answers collected with a time limit.

#include "datafiles/abytes.h"

#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <termios.h>
#include <unistd.h>

namespace zev::test {

// 0xF0 OR command, length, data, CRC-8/MAXIM over all of it.
inline ABytes Frame(int cmd, const ABytes& data = {}) {
    ABytes f;
    f.reserve(data.size() + 3);
    f.push_back(static_cast<std::uint8_t>(0xF0 | cmd));
    f.push_back(static_cast<std::uint8_t>(data.size()));
    f.insert(f.end(), data.begin(), data.end());
    f.push_back(ABytesCRC8(f));
    return f;
}

inline ABytes FlashFrame(std::uint16_t byteAddress, const ABytes& line) {
    ABytes data;
    data.reserve(line.size() + 2);
    data.push_back(static_cast<std::uint8_t>((byteAddress / 2) & 0xFF));
    data.push_back(static_cast<std::uint8_t>((byteAddress / 2) >> 8));
    data.insert(data.end(), line.begin(), line.end());
    return Frame(2, data);
}

inline ABytes EepromFrame(std::uint8_t address, const ABytes& line) {
    ABytes data;
    data.reserve(line.size() + 1);
    data.push_back(address);
    data.insert(data.end(), line.begin(), line.end());
    return Frame(1, data);
}

// The acknowledgement a device gives for a command without data.
inline ABytes Ack(int cmd) {
    return Frame(cmd);
}

inline ABytes Bytes(std::size_t count, std::uint8_t first, std::uint8_t step = 1) {
    ABytes b(count);
    for (std::size_t k = 0; k < count; ++k) b[k] = static_cast<std::uint8_t>(first + k * step);
    return b;
}

class HostPort {
public:
    explicit HostPort(const std::string& path) {
        FFd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (FFd < 0) return;
        termios t{};
        ::tcgetattr(FFd, &t);
        ::cfmakeraw(&t);
        ::tcsetattr(FFd, TCSANOW, &t);
        ::tcflush(FFd, TCIOFLUSH);
    }
    ~HostPort() { Close(); }
    HostPort(const HostPort&) = delete;
    HostPort& operator=(const HostPort&) = delete;

    bool IsOpen() const { return FFd >= 0; }
    void Close() {
        if (FFd >= 0) ::close(FFd);
        FFd = -1;
    }

    bool Send(const ABytes& bytes) {
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(FFd, bytes.data() + done, bytes.size() - done);
            if (n < 0) return false;
            done += static_cast<std::size_t>(n);
        }
        return true;
    }

    // Reads until count bytes are in (then waits quietMs more for stray extra bytes) or timeoutMs
    // has passed. With count 0: everything that comes within timeoutMs.
    ABytes Receive(std::size_t count, int timeoutMs = 2000, int quietMs = 30) {
        ABytes in;
        const auto start = std::chrono::steady_clock::now();
        auto deadline = start + std::chrono::milliseconds(timeoutMs);
        bool complete = false;
        for (;;) {
            const auto now = std::chrono::steady_clock::now();
            if (now >= deadline) break;
            pollfd p{FFd, POLLIN, 0};
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now).count();
            if (::poll(&p, 1, static_cast<int>(left)) <= 0) continue;
            if (p.revents & (POLLERR | POLLHUP | POLLNVAL)) {
                FHungUp = true;
                break;
            }
            std::uint8_t buf[512];
            const ssize_t n = ::read(FFd, buf, sizeof buf);
            if (n <= 0) {
                FHungUp = true;
                break;
            }
            in.insert(in.end(), buf, buf + n);
            if (count > 0 && !complete && in.size() >= count) {
                complete = true;
                deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(quietMs);
            }
        }
        return in;
    }

    // Sends a request and returns its answer: expected bytes (and any that follow within
    // quietMs), or what came within timeoutMs.
    ABytes Exchange(const ABytes& request, std::size_t expected, int timeoutMs = 2000,
                    int quietMs = 30) {
        if (!Send(request)) return {};
        return Receive(expected, timeoutMs, quietMs);
    }

    // True once a read or poll reported that the device side is gone.
    bool HungUp() const { return FHungUp; }

private:
    int FFd = -1;
    bool FHungUp = false;
};

} // namespace zev::test
