#!/bin/sh
# Draws the tag bar icons (16 x 16) and the armed-tag cursors (32 x 32, hot spot at the top left)
# of the print format window. Needs ImageMagick; run from this folder and commit the PNGs.
set -e
draw() {  # name label colour pointsize
  convert -size 16x16 xc:none -fill "$3" -stroke '#202020' -strokewidth 1 \
    -draw 'roundrectangle 0,0 15,15 3,3' \
    -font DejaVu-Sans-Condensed-Bold -pointsize "$4" -fill white -stroke none \
    -gravity center -annotate +0+0 "$2" "tag_$1.png"
  convert -size 32x32 xc:none \
    -fill black -stroke white -strokewidth 1 \
    -draw 'polygon 1,1 1,17 5,13 8,20 11,19 8,12 13,12' \
    -fill "$3" -stroke '#202020' -draw 'roundrectangle 12,18 31,31 3,3' \
    -font DejaVu-Sans-Condensed-Bold -pointsize "$4" -fill white -stroke none \
    -gravity southeast -annotate +2+1 "$2" "cursor_$1.png"
}
draw g G '#1f6fb2' 11
draw t T '#6a4fb0' 11
draw n N '#2a8a3e' 11
draw cn CN '#b0632a' 8
draw cd CD '#8a6d1f' 8
draw co CO '#a13d6b' 8
draw d D '#1f8a8a' 11
draw i I '#3d5a99' 11
draw p P '#99332e' 11
draw nl NL '#4d4d4d' 8
draw sp SP '#707070' 8
draw e E '#c0392b' 11
