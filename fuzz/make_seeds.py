#!/usr/bin/env python3
"""Writes the seed inputs of the fuzz targets into corpus/<name>/seed-*. Run from anywhere;
regression inputs found by fuzzing are kept beside the seeds as regress-* and are not touched."""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def put(target, name, data):
    folder = os.path.join(HERE, "corpus", target)
    os.makedirs(folder, exist_ok=True)
    if isinstance(data, str):
        data = data.encode()
    with open(os.path.join(folder, "seed-" + name), "wb") as f:
        f.write(data)


def flash_image(size=128, address=0x400, name=b"ZEV-DEMO", version=0x0105):
    flash = bytearray((k * 37 + 11) & 0xFF for k in range(size))
    ep = address // 2 + size // 2 - 1
    record = struct.pack("<HHHHBBH", ep, 0, version, 0x0042, 2, 1, 0)
    record += b"".join(bytes([c, 0]) for c in name.ljust(10, b"\0")[:10])
    flash[0:32] = record
    n = ep - address // 2
    total = sum(flash[2 * k] | flash[2 * k + 1] << 8 for k in range(2, n + 1)) & 0xFFFF
    struct.pack_into("<H", flash, 2, (-total) & 0x3FFF)
    return bytes(flash)


def container(blocks, data):
    out = struct.pack("<H", len(blocks))
    for a, i, l in blocks:
        out += struct.pack("<III", a, i, l)
    return out + data


def package(flash_size=128, eeprom_size=16):
    flash = flash_image(flash_size)
    eeprom = bytes(((k // 2) * 5) & 0xFF if k % 2 == 0 else 0 for k in range(eeprom_size))
    return container([(0x400, 0, len(flash)), (0x1E000, len(flash), len(eeprom))], flash + eeprom)


def trailer(n, magic=0xAAAAAAAA):
    return struct.pack("<Ii", magic, n)


def pe_image(size=0x200):
    """The headers of a 32-bit PE image: MZ, the PE header at 0x80, an optional header with 16
    data directories; the rest zero."""
    pe = bytearray(size)
    pe[0:2] = b"MZ"
    struct.pack_into("<I", pe, 0x3C, 0x80)
    pe[0x80:0x84] = b"PE\0\0"
    struct.pack_into("<HH", pe, 0x80 + 4, 0x14C, 0)
    struct.pack_into("<H", pe, 0x80 + 20, 96 + 16 * 8)
    struct.pack_into("<H", pe, 0x98, 0x10B)
    struct.pack_into("<I", pe, 0x98 + 92, 16)
    return pe


def signed(file, padding, table=bytes(range(0x30, 0x60))):
    """file, padding zero bytes and a certificate table that the security directory announces."""
    out = bytearray(file) + bytes(padding)
    struct.pack_into("<II", out, 0x98 + 96 + 4 * 8, len(out), len(table))
    return bytes(out + table)


def hex_line(address, rtype, data):
    body = bytes([len(data), address >> 8, address & 0xFF, rtype]) + data
    return ":" + (body + bytes([(-sum(body)) & 0xFF])).hex().upper()


def hex_text(address, data, eol="\r\n"):
    lines = [hex_line(0, 4, struct.pack(">H", address >> 16))]
    for at in range(0, len(data), 16):
        lines.append(hex_line((address + at) & 0xFFFF, 0, data[at:at + 16]))
    lines.append(":00000001FF")
    return eol.join(lines) + eol


def identity(name=b"PUMP-01", version=0x0105, length=56):
    d = bytearray(56)
    struct.pack_into("<HH", d, 0, 0x0102, 0x0042)
    d[4], d[5], d[6], d[7] = 2, 1, 0x17, 0x09
    struct.pack_into("<HHHH", d, 8, 0x0200, 0x3FFF, 64, 511)
    for k, b in enumerate((0, 0, 0x1A, 0x2B)):
        d[16 + 2 * k], d[17 + 2 * k] = b, 0xA5
    struct.pack_into("<HHHH", d, 24, 0x3DFF, 0x0946, version, 0x0042)
    d[32], d[33], d[34], d[35] = 2, 1, 0x18, 0x12
    for k, c in enumerate(name.ljust(10, b"\0")[:10]):
        d[36 + 2 * k], d[37 + 2 * k] = c, 0xA5
    return bytes([0xF0, length]) + bytes(d[:length]) + b"\x5A"


def main():
    pkg = package()
    put("block_container", "package", pkg)
    put("block_container", "no-blocks", b"\0\0\xAA\xBB")
    put("block_container", "table-short", b"\x01\x00" + bytes(11))
    put("block_container", "odd-eeprom", package(eeprom_size=15))
    put("block_container", "block-past-data", container([(0x400, 0, 0x1000)], flash_image(64)))
    put("block_container", "flash-wraps", container([(0xFFC0, 0, 128)], flash_image(128, 0xFFC0)))

    put("intel_hex", "example", ":020000040001F9\n:0400000001020304F2\n:00000001FF\n")
    put("intel_hex", "gap", hex_line(0, 0, b"\1\2") + "\n" + hex_line(0x10, 0, b"\3\4") +
        "\n:00000001FF\n")
    put("intel_hex", "flash", hex_text(0x400, flash_image(96)))
    put("intel_hex", "eeprom-cr", hex_text(0x1E000, bytes(range(40)), eol="\r"))
    put("intel_hex", "bad-lines", ":0400000001020304F3\n:04000000010203G4F2\nshort\n" +
        hex_line(0, 3, b"\0\0\0\0") + "\n" + hex_line(0, 2, b"\x10\x00") + "\n")

    for piece, frame in ((0, identity()), (7, identity()), (3, identity(length=47)),
                         (0, b"\xF5\x00\x33"), (1, b"\xF2\x02\x01"), (0, b"\x7F\x00\x00"),
                         (0, b"\xF0\x3E" + bytes(61))):
        put("answer_frame", "%d-%s" % (piece, frame[:3].hex()), bytes([piece]) + frame)

    put("ini_load", "default",
        "[DCB]\r\nBaudRate=9600\r\nFlags=1\r\nByteSize=8\r\nParity=0\r\nStopBits=0\r\n"
        "XonLim=2048\r\nXoffLim=512\r\nXonChar=17\r\nXoffChar=19\r\nErrorChar=0\r\n"
        "EofChar=0\r\nEvtChar=0\r\n[CTO]\r\nReadIntervalTimeout=-1\r\n"
        "ReadTotalTimeoutMultiplier=0\r\nReadTotalTimeoutConstant=0\r\n"
        "WriteTotalTimeoutMultiplier=0\r\nWriteTotalTimeoutConstant=0\r\n"
        "[BUFFERS]\r\nIn=256\r\nOut=256\r\n")
    put("ini_load", "hex-and-junk",
        "; setup\n[dcb]\nByteSize = 0x107\nBaudRate=$4B00\nParity=odd\n [ CTO ]\n"
        "ReadIntervalTimeout=\"4294967295\"\n[BUFFERS]\nIn=-0\nOut\n")

    program = bytes((k * 7) & 0xFF for k in range(64))
    put("package_trailer", "package", program + pkg + trailer(len(pkg)))
    put("package_trailer", "no-trailer", program)
    put("package_trailer", "bad-magic", program + pkg + trailer(len(pkg), 0xAAAAAAAB))
    put("package_trailer", "too-long", program + pkg + trailer(len(pkg) + len(program) + 1))
    put("package_trailer", "negative", program + trailer(-5))
    put("package_trailer", "empty-payload", program + trailer(0))
    # Signed after packing: zev-pack's padded layout, and a package appended without padding (the
    # signer pads to the table's 8-byte boundary).
    packed = pe_image() + pkg + trailer(len(pkg))
    put("package_trailer", "signed", signed(packed + bytes(-len(packed) % 8), 0))
    packed = pe_image(0x203) + pkg + trailer(len(pkg))
    put("package_trailer", "signed-padded", signed(packed, -len(packed) % 8))


if __name__ == "__main__":
    main()
