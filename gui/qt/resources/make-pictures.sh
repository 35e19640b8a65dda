#!/usr/bin/env bash
# Draws the window's pictures with ImageMagick: the English and the Russian logo (159 x 57) and
# the device icon (15 x 15). The PNGs are committed; run this only to change them.
set -euo pipefail
cd "$(dirname "$0")"
convert=convert
[ -x /usr/bin/convert ] && convert=/usr/bin/convert

blue='#1f4e8c'
logo() { # OUT BADGE LINE1 LINE2
    "$convert" -size 159x57 xc:none \
        -fill "$blue" -draw 'roundrectangle 1,5 56,51 9,9' \
        -fill '#f2b632' -draw 'rectangle 8,40 49,43' \
        -fill white -font DejaVu-Sans-Bold -pointsize 19 -gravity NorthWest -annotate +7+12 "$2" \
        -fill "$blue" -font DejaVu-Sans-Condensed-Bold -pointsize 14 -annotate +62+10 "$3" \
        -fill '#404040' -font DejaVu-Sans-Condensed -pointsize 13 -annotate +62+30 "$4" \
        -strip -define png:exclude-chunks=date,time "$1"
}
logo logo-en.png 'ZEV' 'Firmware' 'updater'
logo logo-ru.png 'ЗЭВ' 'Обновление' 'прошивки'

# A chip with four pins on each side.
"$convert" -size 15x15 xc:none \
    -fill '#707070' \
    -draw 'rectangle 0,3 2,3' -draw 'rectangle 0,6 2,6' -draw 'rectangle 0,9 2,9' \
    -draw 'rectangle 0,12 2,12' \
    -draw 'rectangle 12,3 14,3' -draw 'rectangle 12,6 14,6' -draw 'rectangle 12,9 14,9' \
    -draw 'rectangle 12,12 14,12' \
    -fill "$blue" -draw 'rectangle 3,1 11,14' \
    -fill '#f2b632' -draw 'rectangle 5,3 6,4' \
    -strip -define png:exclude-chunks=date,time device.png
