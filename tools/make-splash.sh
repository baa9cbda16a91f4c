#!/bin/sh
# Draws the splash window's product picture with ImageMagick: a warm evening
# sky over hills, a photograph under crop marks, the name. The picture is
# 798 x 362 at SCALE 1; SCALE 2 draws the same picture at twice the pixels for
# screens at scale 2 (every length doubled, nothing enlarged from pixels).
#   tools/make-splash.sh              writes resources/splash.jpg and splash@2x.jpg
#   tools/make-splash.sh OUT [SCALE]  writes one
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
if [ $# -eq 0 ]; then
    "$0" "$top/resources/splash.jpg" 1
    "$0" "$top/resources/splash@2x.jpg" 2
    exit 0
fi
out=$1
s=${2:-1}
font=/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf
light=/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
# Each length of the drawing at scale 1, times the scale.
n() { echo $(($1 * s)); }
# "x,y" times the scale.
p() { echo "$(n "$1"),$(n "$2")"; }
line() { echo "line $(p "$1" "$2") $(p "$3" "$4")"; }
# The photograph inside the frame: sky, sun and two hills.
convert -size "$(n 300)x$(n 200)" gradient:'#fcd9a0'-'#e9775a' \
    -fill '#fff4d6' -draw "circle $(p 210 80) $(p 210 112)" \
    -fill '#6b8f5e' \
    -draw "path 'M $(p 0 150) Q $(p 90 95) $(p 170 140) T $(p 300 130) L $(p 300 200) L $(p 0 200) Z'" \
    -fill '#3f6446' \
    -draw "path 'M $(p 0 175) Q $(p 120 135) $(p 220 170) T $(p 300 168) L $(p 300 200) L $(p 0 200) Z'" \
    "$tmp/photo.png"
convert -size "$(n 798)x$(n 362)" gradient:'#1d2b4c'-'#3c5a8a' \
    \( "$tmp/photo.png" -bordercolor white -border "$(n 10)" \
       \( +clone -background black -shadow "60x$(n 8)+$(n 6)+$(n 6)" \) +swap -background none \
       -layers merge +repage \) \
    -geometry "+$(n 450)+$(n 60)" -composite \
    -stroke '#ffd24a' -strokewidth "$(n 4)" -fill none \
    -draw "$(line 440 100 440 50)" -draw "$(line 440 50 490 50)" \
    -draw "$(line 730 50 780 50)" -draw "$(line 780 50 780 100)" \
    -draw "$(line 440 250 440 300)" -draw "$(line 440 300 490 300)" \
    -draw "$(line 730 300 780 300)" -draw "$(line 780 300 780 250)" \
    -stroke none -fill white -font "$font" -pointsize "$(n 72)" \
    -annotate "+$(n 48)+$(n 170)" 'Pictavo' \
    -fill '#ffd24a' -font "$light" -pointsize "$(n 24)" \
    -annotate "+$(n 52)+$(n 215)" 'Prepare your photos to print' \
    -fill '#c8d3e8' -pointsize "$(n 16)" \
    -annotate "+$(n 52)+$(n 250)" 'Crop in one click  -  brightness, contrast, red-eye' \
    -quality 90 -sampling-factor 2x2 -strip "$out"
