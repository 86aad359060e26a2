#!/bin/sh
# Draws Tamarack's desktop icon (a platform scale over its indicator's display bar) as SVG and as
# PNGs in the sizes of the desktop's icon theme, from one list of shapes on a 64 x 64 grid.
# Needs ImageMagick; run from this folder and commit the results.
set -e
blue='#1f5f8b' white='#ffffff' yellow='#ffd34d'

cat > tamarack.svg <<SVG
<?xml version="1.0" encoding="UTF-8"?>
<svg xmlns="http://www.w3.org/2000/svg" width="64" height="64" viewBox="0 0 64 64">
  <rect x="2" y="2" width="60" height="60" rx="11" ry="11" fill="$blue"/>
  <polygon points="12,18 53,18 49,25 16,25" fill="$white"/>
  <rect x="29" y="25" width="7" height="15" fill="$white"/>
  <rect x="14" y="40" width="37" height="7" fill="$white"/>
  <rect x="18" y="48" width="29" height="7" fill="$yellow"/>
</svg>
SVG

# The same shapes, drawn 16 times larger and scaled down for smooth edges.
convert -size 1024x1024 xc:none -draw "affine 16,0,0,16,0,0
  fill $blue roundrectangle 2,2 62,62 11,11
  fill $white polygon 12,18 53,18 49,25 16,25 rectangle 29,25 36,40 rectangle 14,40 51,47
  fill $yellow rectangle 18,48 47,55" tamarack-1024.png
for size in 16 22 24 32 48 64 128 256; do
  convert tamarack-1024.png -resize "${size}x${size}" -strip "tamarack-$size.png"
done
rm tamarack-1024.png
