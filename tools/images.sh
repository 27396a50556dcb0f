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

# Previewer toolbar glyphs, 24 x 24: drawn at 96 x 96 and scaled down.
glyph() { # file, drawing arguments...
  local file=$1; shift
  convert -size 96x96 xc:none "$@" -resize 24x24 -depth 8 -strip "$file"
}
NAVY='#1f4f8f'
glyph prev_first.png -fill "$NAVY" -draw "rectangle 18,18 30,78" -draw "polygon 78,18 78,78 34,48"
glyph prev_previous.png -fill "$NAVY" -draw "polygon 68,18 68,78 24,48"
glyph prev_next.png -fill "$NAVY" -draw "polygon 28,18 28,78 72,48"
glyph prev_last.png -fill "$NAVY" -draw "polygon 18,18 18,78 62,48" -draw "rectangle 66,18 78,78"
printer=(-fill white -stroke '#303030' -strokewidth 5 -draw "rectangle 28,8 68,36"
         -fill '#8090a0' -draw "roundrectangle 8,32 88,70 8,8"
         -fill white -draw "rectangle 26,56 70,90" -stroke '#606060' -strokewidth 3
         -draw "line 34,68 62,68" -draw "line 34,78 56,78")
glyph prev_print.png "${printer[@]}"
glyph prev_setup.png "${printer[@]}" -stroke none -fill '#d02020' -draw "circle 76,20 90,20" \
  -fill white -draw "circle 76,20 81,20"
lens=(-fill '#e8f0ff' -stroke '#303030' -strokewidth 7 -draw "circle 40,40 40,12"
      -strokewidth 12 -draw "line 60,60 86,86")
glyph prev_zoomin.png "${lens[@]}" -stroke "$NAVY" -strokewidth 7 -draw "line 26,40 54,40" -draw "line 40,26 40,54"
glyph prev_zoomout.png "${lens[@]}" -stroke "$NAVY" -strokewidth 7 -draw "line 26,40 54,40"
glyph prev_zoom100.png "${lens[@]}" -stroke none -fill "$NAVY" -font DejaVu-Sans-Bold -pointsize 26 \
  -annotate +23+50 "1:1"
glyph prev_zoomwidth.png -fill white -stroke '#303030' -strokewidth 5 -draw "rectangle 20,6 76,90" \
  -stroke "$NAVY" -strokewidth 7 -draw "line 8,48 88,48" -stroke none -fill "$NAVY" \
  -draw "polygon 4,48 20,34 20,62" -draw "polygon 92,48 76,34 76,62"
page() { # file, letter, colour
  glyph "$1" -fill white -stroke '#303030' -strokewidth 5 -draw "polygon 14,4 62,4 82,24 82,92 14,92" \
    -stroke none -fill "$3" -draw "roundrectangle 4,38 70,82 8,8" \
    -fill white -font DejaVu-Sans-Bold -pointsize "$4" -gravity northwest -annotate "$5" "$2"
}
page prev_word.png W '#2b5797' 40 +12+40
page prev_excel.png X '#1e7145' 40 +22+40
page prev_pdf.png PDF '#c0392b' 24 +8+48
glyph prev_help.png -fill "$NAVY" -draw "circle 48,48 48,6" -fill white -font DejaVu-Sans-Bold \
  -pointsize 64 -gravity center -annotate +0+2 "?"
glyph prev_close.png -fill '#d02020' -draw "roundrectangle 8,8 88,88 14,14" -stroke white \
  -strokewidth 12 -draw "line 30,30 66,66" -draw "line 66,30 30,66"
