#!/usr/bin/env bash
# Draws the program's icon with ImageMagick: a chip with four pins on each side, as the device
# icon of the window, at the sizes Windows asks for, and the same pictures as the Linux window's
# icon (gui/qt/resources/zev-programmer-256.png and -48.png). The files are committed; run this
# only to change them.
set -euo pipefail
cd "$(dirname "$0")"
convert=convert
[ -x /usr/bin/convert ] && convert=/usr/bin/convert

blue='#1f4e8c'
pins=()
for y in 56 104 152 200; do
    pins+=(-draw "rectangle 8,$y 56,$((y + 16))" -draw "rectangle 200,$y 248,$((y + 16))")
done
"$convert" -size 256x256 xc:none \
    -fill '#707070' "${pins[@]}" \
    -fill "$blue" -draw 'roundrectangle 48,16 208,240 16,16' \
    -fill '#f2b632' -draw 'circle 88,60 88,76' \
    -fill white -font DejaVu-Sans-Bold -pointsize 56 -gravity center -annotate +0+16 'ZEV' \
    -depth 8 -strip -define png:exclude-chunks=date,time zev-256.png
"$convert" zev-256.png -depth 8 -define icon:auto-resize=256,48,32,24,16 ZEVProgrammer.ico
rm -f zev-256.png
for frame in 0:256 1:48; do
    "$convert" "ZEVProgrammer.ico[${frame%%:*}]" -strip -define png:exclude-chunks=date,time \
        "../../qt/resources/zev-programmer-${frame##*:}.png"
done
