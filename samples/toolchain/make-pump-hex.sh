#!/usr/bin/env bash
# Assembles the PUMP-1 firmware with gputils' gpasm into the two HEX files kept beside it:
#   pump-1.hex     as a toolchain writes it: CS 0, since no toolchain computes that checksum
#   pump-1-cs.hex  the same program with CS already right (the value zev-pack --set-checksum
#                  reports for pump-1.hex)
# Usage: make-pump-hex.sh [OUTPUT-FOLDER]   (default: this folder)
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
out="${1:-$here}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
gpasm -q -o "$work/pump-1.hex" "$here/pump-1.asm"
gpasm -q -D CHECKSUM=0x01DE -o "$work/pump-1-cs.hex" "$here/pump-1.asm"
cp "$work/pump-1.hex" "$work/pump-1-cs.hex" "$out/"
