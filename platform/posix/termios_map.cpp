#include "platform/posix/termios_map.h"

#include <cerrno>

namespace zev::os::posix {

namespace {

struct TSpeed {
    std::uint32_t baud;
    speed_t speed;
};

constexpr TSpeed kSpeeds[] = {
    {0, B0},           {50, B50},         {75, B75},         {110, B110},         {134, B134},
    {150, B150},       {200, B200},       {300, B300},       {600, B600},         {1200, B1200},
    {1800, B1800},     {2400, B2400},     {4800, B4800},     {9600, B9600},       {19200, B19200},
    {38400, B38400},   {57600, B57600},   {115200, B115200}, {230400, B230400},   {460800, B460800},
    {500000, B500000}, {576000, B576000}, {921600, B921600}, {1000000, B1000000},
};

} // namespace

bool SpeedOf(std::uint32_t baud, speed_t& speed) {
    for (const auto& s : kSpeeds) {
        if (s.baud == baud) {
            speed = s.speed;
            return true;
        }
    }
    return false;
}

std::uint32_t BaudOf(speed_t speed) {
    for (const auto& s : kSpeeds)
        if (s.speed == speed) return s.baud;
    return 0;
}

bool DcbToTermios(const DCB& dcb, termios& tio) {
    speed_t speed{};
    if (dcb.BaudRate == 0 || !SpeedOf(dcb.BaudRate, speed) || dcb.ByteSize < 5 ||
        dcb.ByteSize > 8 || dcb.Parity > 4 || dcb.StopBits > 2 ||
        (dcb.StopBits == 1 && dcb.ByteSize != 5)) {
        errno = EINVAL;
        return false;
    }
    // Raw: no line editing, echo, signals or character translation.
    tio.c_iflag &= ~(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXOFF |
                     IXANY | INPCK | IGNPAR);
    tio.c_oflag &= ~OPOST;
    tio.c_lflag &= ~(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    tio.c_cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
    tio.c_cflag |= CREAD | CLOCAL;
    switch (dcb.ByteSize) {
    case 5:
        tio.c_cflag |= CS5;
        break;
    case 6:
        tio.c_cflag |= CS6;
        break;
    case 7:
        tio.c_cflag |= CS7;
        break;
    default:
        tio.c_cflag |= CS8;
        break;
    }
    switch (dcb.Parity) {
    case 1:
        tio.c_cflag |= PARENB | PARODD;
        break;
    case 2:
        tio.c_cflag |= PARENB;
        break;
    case 3:
        tio.c_cflag |= PARENB | CMSPAR | PARODD;
        break;
    case 4:
        tio.c_cflag |= PARENB | CMSPAR;
        break;
    default:
        break;
    }
    if (dcb.fParity()) tio.c_iflag |= INPCK;
    if (dcb.StopBits != 0) tio.c_cflag |= CSTOPB;
    if (dcb.fOutxCtsFlow() || dcb.fRtsControl() == 2) tio.c_cflag |= CRTSCTS;
    if (dcb.fOutX()) tio.c_iflag |= IXON;
    if (dcb.fInX()) tio.c_iflag |= IXOFF;
    tio.c_cc[VSTART] = dcb.XonChar;
    tio.c_cc[VSTOP] = dcb.XoffChar;
    // Reads return at once with what has arrived.
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    cfsetispeed(&tio, speed);
    cfsetospeed(&tio, speed);
    return true;
}

DCB TermiosToDcb(const termios& tio, const DCB& base) {
    DCB dcb = base;
    dcb.DCBlength = sizeof(DCB);
    dcb.BaudRate = BaudOf(cfgetospeed(&tio));
    switch (tio.c_cflag & CSIZE) {
    case CS5:
        dcb.ByteSize = 5;
        break;
    case CS6:
        dcb.ByteSize = 6;
        break;
    case CS7:
        dcb.ByteSize = 7;
        break;
    default:
        dcb.ByteSize = 8;
        break;
    }
    if (!(tio.c_cflag & PARENB))
        dcb.Parity = 0;
    else if (tio.c_cflag & CMSPAR)
        dcb.Parity = (tio.c_cflag & PARODD) ? 3 : 4;
    else
        dcb.Parity = (tio.c_cflag & PARODD) ? 1 : 2;
    if (!(tio.c_cflag & CSTOPB))
        dcb.StopBits = 0;
    else if (dcb.StopBits == 0)
        dcb.StopBits = (dcb.ByteSize == 5) ? 1 : 2;
    dcb.fBinary(true);
    dcb.fParity((tio.c_iflag & INPCK) != 0);
    // Hardware flow control is one switch in termios, two fields in the DCB.
    const bool ctsRts = (tio.c_cflag & CRTSCTS) != 0;
    if (ctsRts != (base.fOutxCtsFlow() || base.fRtsControl() == 2)) {
        dcb.fOutxCtsFlow(ctsRts);
        if (!ctsRts && dcb.fRtsControl() == 2) dcb.fRtsControl(1);
    }
    dcb.fOutX((tio.c_iflag & IXON) != 0);
    dcb.fInX((tio.c_iflag & IXOFF) != 0);
    dcb.XonChar = tio.c_cc[VSTART];
    dcb.XoffChar = tio.c_cc[VSTOP];
    return dcb;
}

} // namespace zev::os::posix
