#include "tools/zev-pack/commands.h"

#include <ostream>

namespace zev::pack {

namespace {

const char* kOverview =
    R"(zev-pack: builds the update package of ZEV Programmer and appends it to the updater.

The updater carries its firmware at the end of its own executable: the package (a block
container holding the flash and EEPROM images), then the bytes AA AA AA AA and the package
length as a little-endian 32-bit number. zev-pack makes, checks, appends, removes and shows it.
Pack first, then sign: a signed updater ends with its certificate table, and the package is
found in front of it.

Usage:
  zev-pack build [--exe UPDATER] --hex FIRMWARE.hex [--hex MORE.hex ...] -o OUT
                 [--set-checksum] [--strict] [--record-at ADDR] [--flash-end ADDR]
                 [--eeprom-at ADDR] [--eeprom-fill VALUE]
  zev-pack build [--exe UPDATER] --payload PACKAGE.bin -o OUT
  zev-pack info FILE [--json]
  zev-pack strip FILE -o OUT
  zev-pack extract FILE -o PACKAGE.bin
  zev-pack demo-hex -o DEMO.hex [options]
  zev-pack help [COMMAND]      (or: zev-pack COMMAND --help)
  zev-pack --version

Exit status: 0 success, 1 a check failed or input was refused (nothing is written then),
2 wrong usage.
)";

const char* kBuild =
    R"(zev-pack build [--exe UPDATER] (--hex FILE [--hex FILE ...] | --payload FILE) -o OUT
                [--set-checksum] [--strict] [--record-at ADDR] [--flash-end ADDR]
                [--eeprom-at ADDR] [--eeprom-fill VALUE]

Writes OUT: the updater's bytes, 0 to 7 zero bytes that make OUT a multiple of 8 bytes long,
the package and its trailer. OUT keeps UPDATER's permissions (the executable bit included). A
package already appended to UPDATER is replaced. A signed UPDATER is refused: a signature made
before packing does not cover the package. Sign after packing (osslsigncode, signtool).

--exe UPDATER   the bare updater to append the package to. Without it, the one installed
                with zev-pack: on Linux ../lib/zev-programmer/zev-programmer from zev-pack's
                folder (/usr/lib/zev-programmer/zev-programmer for /usr/bin/zev-pack), on
                Windows ZEVProgrammer.exe in zev-pack.exe's folder; in a build tree the
                updater beside zev-pack. The first line of the output names the one taken.

--hex FILE      Intel HEX firmware as the toolchain wrote it, read with the updater's own
                reader (a UTF-8 byte-order mark is skipped). Repeat for more files (for example
                flash and EEPROM apart). Byte addresses (word address times two), laid out as
                for enhanced mid-range parts (PIC16F1xxx):
                  below 0x10000          flash: one block from its first byte, which must be
                                         the information record at 0x400 (word 0x200); gaps
                                         0x00, the last line filled to 64 bytes with 0xFF
                  0x10000 to ADDR        not written by the bootloader (user IDs,
                                         configuration words, device IDs): left out, each
                                         range listed
                  ADDR to 0x20000        the EEPROM image, one byte in the low byte of each
                                         word; it begins at ADDR, which the updater writes to
                                         EEPROM address 0, and must give every cell from there
                Refused, naming the line: records that go backwards or overlap within a block,
                lines that are not valid records, data above 0x20000 (PIC18 files), no
                end-of-file record or text after it (the reader would lose data in each case);
                data of two files that overlap. Refused, naming the addresses: flash data that
                does not begin at the record address, EP past the flash data, data at
                0x4000-0x43FF apart from the program (a classic mid-range part: describe it
                with --flash-end and --eeprom-at), EEPROM cells the files do not give.
--record-at ADDR  the byte address of the part's information record, where the flash image
                must begin; the updater writes the package only to devices that report it
                                                                       [0x400]
--flash-end ADDR  the part's last flash byte (odd): flash is the data up to it, and the data
                after it up to the EEPROM image is left out. For classic mid-range parts
                (PIC16F88x: --flash-end 0x3FFF for 8K words, with --eeprom-at 0x4200)
                                                                       [0xFFFF]
--eeprom-at ADDR  where the EEPROM image begins, above the flash end    [0x1E000]
--eeprom-fill VALUE  the value of EEPROM cells the files do not give (0xFF: erased EEPROM);
                without it such cells are refused.
--strict        refuse data that the bootloader does not write instead of leaving it out.
--set-checksum  set the record's CS to the checksum the updater computes (words 2 to EP) and
                show the old and the new value. Without it a wrong CS is refused (0x0304).
--payload FILE  a ready block container.
-o, --output    the file to write.

The package must pass the updater's start-up check, in its order: data present 0x0303, the
information record 0x0306, the checksum against CS 0x0304, an even EEPROM block 0x0307, blocks
that cover the data exactly 0x0302, at most 256 EEPROM bytes 0x0311, no flash line past 0xFFFF
0x0312, EP inside a whole flash line 0x0313. Then what the updater would get wrong unnoticed:
the flash block first at data index 0 and at an even address, no other block with data.
Nothing is written when the package is refused.
)";

const char* kInfo = R"(zev-pack info FILE [--json]

Reads the package at the end of FILE (or, in a signed FILE, in front of its certificate table)
exactly as the updater reads its own file. Says whether FILE is signed (carries a certificate
table; the signature itself is not checked) and whether the package lies inside the signed part
or after the table, where the signature no longer covers it. Then the package's information
record (device name, the window title, version, type, variant, board revision, EP, CS, the
computed checksum, flash and EEPROM line counts, payload size), then the last line
"check: OK" or "check: Error [CODE]: Data corrupted." with the code the updater would show.
Exit status 0 only when the check passes.

--json   one JSON object instead of the text lines.
)";

const char* kStrip = R"(zev-pack strip FILE -o OUT

Writes OUT: everything of FILE before its package, that is the updater followed by the zero
bytes build put before the package (zero bytes after a program change nothing in it). From a
signed FILE the certificate table goes too (the signature covered the package and is void
without it): the program's security directory is cleared and its header checksum made anew,
which gives the unsigned updater, to be packed and signed again. OUT keeps FILE's permissions.
Fails when FILE carries no package.
)";

const char* kExtract = R"(zev-pack extract FILE -o PACKAGE.bin

Writes the package (the block container) appended to FILE, signed or not. Fails when FILE
carries none.
)";

const char* kDemoHex = R"(zev-pack demo-hex -o DEMO.hex [options]

Writes a deterministic demo firmware as Intel HEX: not a program, only bytes with a correct
information record and checksum. Flash block: 0x7C00 bytes at 0x400 (the record first, EP the
last word); EEPROM block: 0x200 bytes at 0x1E000.

--name TEXT          device name, at most 10 characters (Windows-1251)  [ZEV-DEMO]
--version V          version as 0x0105 or 1.05                        [0x0105]
--type N             device type                                       [0x0042]
--variant N          variant (isp.)                                    [1]
--revision N         board revision (izm.)                             [2]
--seed N             varies the program and EEPROM bytes               [1]
--flash-address N    byte address of the flash block                   [0x400]
--flash-size N       bytes of flash, even, at least 32                 [0x7C00]
--eeprom-address N   byte address of the EEPROM block                  [0x1E000]
--eeprom-size N      bytes of the EEPROM block (0: none)               [0x200]
)";

} // namespace

void PrintHelp(std::ostream& out, const std::string& command) {
    if (command == "build")
        out << kBuild;
    else if (command == "info")
        out << kInfo;
    else if (command == "strip")
        out << kStrip;
    else if (command == "extract")
        out << kExtract;
    else if (command == "demo-hex")
        out << kDemoHex;
    else
        out << kOverview;
}

} // namespace zev::pack
