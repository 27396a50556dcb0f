#!/usr/bin/env bash
# Draws the program's pictures into resources/images with ImageMagick (run by hand when they
# change; the results are kept in the repository).
set -euo pipefail
cd "$(dirname "$0")/../resources/images"

# Program icon: a ballot box, 32 x 32.
convert -size 256x256 xc:none \
  -fill white -stroke '#203040' -strokewidth 6 -draw "rectangle 74,14 182,140" \
  -fill none -stroke '#d02020' -strokewidth 16 -draw "polyline 96,70 122,98 164,40" \
  -stroke none -fill '#1f4f8f' -draw "roundrectangle 24,112 232,244 18,18" \
  -fill '#2f6fbf' -draw "roundrectangle 24,112 232,140 14,14" \
  -fill '#0a1a30' -draw "rectangle 66,118 190,130" \
  -fill white -font DejaVu-Sans-Bold -pointsize 96 -gravity center -annotate +0+60 "Z" \
  -resize 32x32 -depth 8 -strip zorvandel.png

# Logo: background colour, width, height, file.
logo() {
  convert -size 520x112 xc:"$1" \
    -fill '#1f4f8f' -draw "roundrectangle 8,8 104,104 14,14" \
    -fill none -stroke white -strokewidth 14 \
    -draw "stroke-linejoin round stroke-linecap round polyline 30,58 50,80 84,32" -stroke none \
    -fill '#1f4f8f' -font DejaVu-Sans-Bold -pointsize 64 -annotate +120+74 "Zorvandel" \
    -fill '#d02020' -draw "rectangle 122,90 508,98" \
    -resize "$2x$3!" -quality 92 -sampling-factor 1x1 -strip "$4"
}
logo 'rgb(224,232,240)' 130 28 logo_about.jpg # on the about box's light blue-grey panel
logo white 120 26 logo_main.jpg                # in the main window's framed logo box
