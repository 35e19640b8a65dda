#pragma once
// Line settings between the DCB record and termios: raw mode always; speed, data bits, parity,
// stop bits and flow control from the DCB.

#include "platform/serial.h"

#include <termios.h>

namespace zev::os::posix {

// Fills tio from the DCB, starting from the terminal's current settings. False (errno EINVAL)
// for a speed, data size, parity or stop-bit setting the terminal cannot take.
bool DcbToTermios(const DCB& dcb, termios& tio);

// The DCB of the terminal: fields termios keeps from tio, the others from base.
DCB TermiosToDcb(const termios& tio, const DCB& base);

// termios speed constant of a baud rate; false when there is none.
bool SpeedOf(std::uint32_t baud, speed_t& speed);
std::uint32_t BaudOf(speed_t speed);

} // namespace zev::os::posix
