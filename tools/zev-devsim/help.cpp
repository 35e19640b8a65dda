#include "tools/zev-devsim/device_config.h"
#include "tools/zev-devsim/options.h"

namespace zev::devsim {

std::string HelpText() {
    return std::string(R"(zev-devsim: simulated bootloader devices on pseudo-terminals

Usage: zev-devsim [options]

Each device is a pseudo-terminal that a host opens like a serial port (19200 baud 8N1). It
answers the four bootloader commands (identity, EEPROM line, flash line, reset) with 64 KiB of
flash and 256 bytes of EEPROM, and records every request it gets. A frame with a bad CRC gets
no answer.

Options:
  -c, --config FILE   read devices from an INI-like file (may be given more than once):
                        [defaults]            keys for every device
                        timing = paced
                        [pump]                one device named pump
                        dVerProg = 1.04
                        fault = drop flash n=3
                        [line]                with count, devices line01 .. line64
                        count = 64
                        link = /tmp/zev/line%.2d
  -d, --device NAME   add a device; the device options that follow apply to it
  -n, --devices N     add N devices dev1 .. devN (zero-padded: dev01 .. dev64)
  -s, --set KEY=VALUE set a device key (below) for the last device added, or, before any
                      device, for all devices
      --link PATH     the same as --set link=PATH
      --fault FAULT   the same as --set fault=FAULT
      --paced         the same as --set timing=paced
      --instant       the same as --set timing=instant
      --dump DIR      on exit (SIGTERM, SIGINT) and on SIGUSR1, write what each device
                      received and its memory to DIR (created if missing)
  -v, --verbose       trace every frame and answer on standard error
      --die-with-parent  end when the process that started the simulator ends
      --realtime      serve the lines at a real-time priority (first in, first out), so
                      that a loaded machine delays the devices' answers no more than a
                      serial line would; where the system refuses it, a note on standard
                      error and the normal priority
  -h, --help          this text
      --version       the version
With no device given there is one, dev1.

Output (standard output, one line each, flushed):
  device NAME PTY [LINK]   one per device, once its port is up
  ready                    all devices are up
  closed NAME              a device closed its port (fault close)
  dumped DIR               a dump is complete
Errors go to standard error; a bad option or configuration ends the simulator with status 2.

)") + DeviceKeysHelp() +
           R"(
  Fault kinds: drop (no answer), nibble (the answer's first byte has no F high nibble),
  short (only the first len bytes of the answer, default 2), noise (bytes noise bytes before
  the answer, default 4), silence (from this request on, no answers at all), close (the
  device closes its port and is gone), idlen (the identity answer is a complete frame of len
  bytes in all, default 49). Commands: id, eeprom, flash, reset, any (default any; idlen is
  id only). Which requests: n=N only the N-th, every=K every K-th, first=N the first N,
  after=K all after the first K (silence and close: at request K+1), none of these: every
  request. Requests are counted per fault from the start, each retry being a request; with
  addr=A only requests for that line address (flash byte address, EEPROM offset) count.
  Examples:
    --fault "drop flash n=3"            the third flash request gets no answer
    --fault "drop flash addr=0x440 first=2"   line 0440 fails twice, then succeeds
    --fault "drop reset"                the reset is never answered (the device resets)
    --fault "silence flash after=10"    dead after ten flash lines
    --fault "close any after=20"        the port disappears at the 21st request
    --fault "idlen len=40"              identity answer too short (host error 0x0104)

Ports: the pseudo-terminal stays open for the simulator's whole life; hosts may open and
close it any number of times. A host that sets exclusive mode (TIOCEXCL) must clear it again
before closing, or later opens by other users fail as busy. Links are symbolic links to the
pseudo-terminal; an existing file is never replaced, except a link whose target is gone.
Names of the form ttyS* are refused: those are the machine's real serial ports.

Wine: scripts/wine-run.sh --com N=PTY maps a device's pseudo-terminal to a COM port of a
Windows program run under Wine.

Dump (DIR/NAME.*): NAME.log, one line per request received, in order:
  I                  identity request
  F AAAA:HHHH...     flash line: byte address (the device gets the word address), data
  E AAAA:HHHH...     EEPROM line: offset, data
  R                  reset
  X HH HH ... WHY    bytes that got no answer, WHY one of: bad-crc, unknown-command,
                     flash-without-address, eeprom-without-address, stray-bytes (outside
                     any frame), incomplete (a frame cut short)
  a request line carries " fault=KIND" when a fault changed its answer, " silent" after a
  silence fault.
NAME.mem: the memory as lines "F AAAA:..." (1024 lines of 64 bytes) and "E AAAA:..." (8 lines
of 32 bytes), in the form of the package's lines; NAME.flash.bin (65536 bytes) and
NAME.eeprom.bin (256 bytes): the memory images. NAME.times: one line "MS KIND" per frame
received (the lines of NAME.log but stray-bytes and incomplete), KIND its letter there, MS when
its last byte had crossed the line into the device, in milliseconds of the monotonic clock (the
host's performance counter on Linux). NAME.answers: one line per answer sent, "DUE LAST_DUE BYTES
WRITTEN WRITES FIRST_WRITE LAST_WRITE LONGEST_PAUSE LATEST BLOCKED HUNG_UP": when its first and
last byte were due on the line, its length, how many of its bytes reached the host's terminal in
how many writes, when the first and last of those writes were made, the longest pause between
two of them, the most a byte went out after it was due (milliseconds, three decimals), how many
writes the terminal took only in part or not at all, and 1 when the host closed the port before
the answer was out (else 0).
)";
}

} // namespace zev::devsim
