#!/bin/sh
# Renders the program's icon (resources/desktop/pictavo.svg) to the PNG sizes
# that the desktop's icon theme looks for (needs rsvg-convert, librsvg2-bin).
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
for size in 16 24 32 48 64 128 256; do
    rsvg-convert -w "$size" -h "$size" -o "$top/resources/desktop/pictavo-$size.png" \
        "$top/resources/desktop/pictavo.svg"
done
