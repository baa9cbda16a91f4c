#!/bin/sh
# Draws the splash window's product picture (798 x 362) with ImageMagick:
# a warm evening sky over hills, a photograph under crop marks, the name.
#   tools/make-splash.sh resources/splash.jpg
set -eu
out=${1:-resources/splash.jpg}
font=/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf
light=/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
# The photograph inside the frame: sky, sun and two hills.
convert -size 300x200 gradient:'#fcd9a0'-'#e9775a' \
    -fill '#fff4d6' -draw 'circle 210,80 210,112' \
    -fill '#6b8f5e' -draw 'path "M 0,150 Q 90,95 170,140 T 300,130 L 300,200 L 0,200 Z"' \
    -fill '#3f6446' -draw 'path "M 0,175 Q 120,135 220,170 T 300,168 L 300,200 L 0,200 Z"' \
    "$tmp/photo.png"
convert -size 798x362 gradient:'#1d2b4c'-'#3c5a8a' \
    \( "$tmp/photo.png" -bordercolor white -border 10 \
       \( +clone -background black -shadow 60x8+6+6 \) +swap -background none -layers merge +repage \) \
    -geometry +450+60 -composite \
    -stroke '#ffd24a' -strokewidth 4 -fill none \
    -draw 'line 440,100 440,50' -draw 'line 440,50 490,50' \
    -draw 'line 730,50 780,50' -draw 'line 780,50 780,100' \
    -draw 'line 440,250 440,300' -draw 'line 440,300 490,300' \
    -draw 'line 730,300 780,300' -draw 'line 780,300 780,250' \
    -stroke none -fill white -font "$font" -pointsize 72 -annotate +48+170 'Pictavo' \
    -fill '#ffd24a' -font "$light" -pointsize 24 -annotate +52+215 'Prepare your photos to print' \
    -fill '#c8d3e8' -pointsize 16 -annotate +52+250 'Crop in one click  -  brightness, contrast, red-eye' \
    -quality 90 -sampling-factor 2x2 -strip "$out"
