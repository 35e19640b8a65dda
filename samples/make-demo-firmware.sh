#!/usr/bin/env bash
# Regenerates demo-firmware.hex, the demo firmware of the samples (not a real program): device
# name ZEV-DEMO, version 1.05, type 0x0042, variant 1, board revision 2; flash 0x7C00 bytes at
# 0x400 with its information record and checksum, EEPROM 0x200 bytes at 0x1E000.
# The bytes are deterministic: running this again gives the same file.
#
# Usage: samples/make-demo-firmware.sh [ZEV-PACK] [extra demo-hex options...]
#   ZEV-PACK defaults to build/bin/zev-pack; extra options (for example --version 1.06) make
#   other versions, written to the file named by -o if given.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
tool="${1:-$here/../build/bin/zev-pack}"
shift || true
args=("$@")
case " ${args[*]-} " in
*" -o "* | *" --output "*) ;;
*) args+=(-o "$here/demo-firmware.hex") ;;
esac
exec "$tool" demo-hex "${args[@]}"
