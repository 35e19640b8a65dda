#!/usr/bin/env bash
# scripts/wine-run.sh refuses, before Wine starts, what 64-bit Wine cannot run: a 32-bit Windows
# program and a file that is no Windows program. Each gets the script's own message and status
# 77 (ctest's "not run"). The files are made here: only their headers matter.
set -euo pipefail
run="$(cd "$(dirname "$0")/../.." && pwd)/scripts/wine-run.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# A PE header: "MZ", the header's offset at 60, then "PE\0\0" and the machine field.
pe() {
    python3 - "$1" "$2" <<'PY'
import struct, sys
data = bytearray(256)
data[0:2] = b"MZ"
struct.pack_into("<I", data, 60, 128)
data[128:132] = b"PE\0\0"
struct.pack_into("<H", data, 132, int(sys.argv[2], 16))
open(sys.argv[1], "wb").write(data)
PY
}
pe "$work/i386.exe" 14c
pe "$work/arm.exe" 1c4
printf 'not a program\n' >"$work/text.exe"

failed=0
expect() { # FILE TEXT: status 77 and TEXT in the message
    local rc=0 err
    err=$(bash "$run" --prefix "$work/prefix" -- "$1" 2>&1 >/dev/null) || rc=$?
    if [ "$rc" -ne 77 ] || [[ "$err" != *"$2"* ]]; then
        echo "FAIL: $(basename "$1"): status $rc, message: $err" >&2
        failed=1
    else
        echo "ok: $(basename "$1"): $err"
    fi
}
expect "$work/i386.exe" "is a 32-bit (i386) Windows program"
expect "$work/arm.exe" "for machine 0x01c4, not x86-64"
expect "$work/text.exe" "is not a Windows program"
# Refused before Wine was started: no prefix was made.
if [ -e "$work/prefix" ]; then
    echo "FAIL: a Wine prefix was created for a refused program" >&2
    failed=1
fi
exit "$failed"
