#!/usr/bin/env bash
# Draws the program's pictures with ImageMagick and writes them into resources/:
# the window's picture in its stored form, the program icon and the two button
# strips. Run by hand when a picture changes; the results are committed, so a
# build never needs ImageMagick.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
out=$top/resources
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The window's picture: a close-up of keyboard keys, 150 x 112, baseline JPEG
# with 2 x 2 subsampled chroma. Keys are drawn row by row, each row shifted a
# little, on a dark gradient.
keys=()
for row in 0 1 2 3 4 5; do
  y=$((4 + row * 18))
  shift=$(((row * 7) % 16 - 12))
  for col in 0 1 2 3 4 5 6 7 8 9; do
    x=$((shift + col * 17))
    keys+=(-fill '#2b2f36' -draw "roundrectangle $((x + 1)),$((y + 2)) $((x + 15)),$((y + 16)) 3,3")
    keys+=(-fill "#$(printf '%02x%02x%02x' $((200 - row * 9)) $((204 - row * 9)) $((212 - row * 8)))" \
           -draw "roundrectangle $x,$y $((x + 14)),$((y + 14)) 3,3")
    keys+=(-fill '#6b7280' -draw "point $((x + 5)),$((y + 6))" -draw "point $((x + 6)),$((y + 6))")
  done
done
convert -size 150x112 gradient:'#50586a'-'#1a1d24' "${keys[@]}" -blur 0x0.4 \
  -strip -interlace none -sampling-factor 2x2,1x1,1x1 -quality 72 "$work/image1.jpg"

# Stored form: a length byte, the picture handler's name, the byte count as a
# 32-bit little-endian number, then the JPEG file itself.
name=TJPEGImage
size=$(stat -c %s "$work/image1.jpg")
{
  printf "\\x$(printf %02x ${#name})%s" "$name"
  printf "\\x$(printf %02x $((size & 255)))\\x$(printf %02x $(((size >> 8) & 255)))"
  printf "\\x$(printf %02x $(((size >> 16) & 255)))\\x$(printf %02x $(((size >> 24) & 255)))"
  cat "$work/image1.jpg"
} >"$out/image1.bin"

# The icon: three grey cubes stacked as a pyramid, transparent around them.
icon=()
cube() { # top-left corner of one isometric cube, 14 x 14
  local x=$1 y=$2
  icon+=(-fill '#d4d4d4' -draw "polygon $((x + 7)),$y $((x + 14)),$((y + 3)) $((x + 7)),$((y + 6)) $x,$((y + 3))")
  icon+=(-fill '#a0a0a0' -draw "polygon $x,$((y + 3)) $((x + 7)),$((y + 6)) $((x + 7)),$((y + 14)) $x,$((y + 11))")
  icon+=(-fill '#6e6e6e' -draw "polygon $((x + 7)),$((y + 6)) $((x + 14)),$((y + 3)) $((x + 14)),$((y + 11)) $((x + 7)),$((y + 14))")
}
cube 9 2
cube 2 16
cube 16 16
convert -size 32x32 xc:none +antialias -stroke '#3c3c3c' -strokewidth 1 "${icon[@]}" \
  -strip PNG8:"$out/mainicon.png"

# Button strips, 36 x 18 in 16 colours: the picture for an enabled button, then
# a grey embossed outline of it for a disabled one. The olive of the bottom-left
# corner is the transparent colour.
strip() { # file colour shape-draw-arguments...
  local file=$1 colour=$2
  shift 2
  convert -size 36x18 xc:'#808000' +antialias -fill none -strokewidth 2 \
    -stroke "$colour" -draw "$*" \
    -stroke '#ffffff' -draw "translate 19,1 $*" \
    -stroke '#808080' -draw "translate 18,0 $*" \
    -strip -type Palette -colors 16 BMP3:"$out/$file"
}
strip bbok.bmp '#008000' "polyline 3,9 7,13 15,4"
strip bbcancel.bmp '#c00000' "line 4,4 13,13 line 13,4 4,13"
