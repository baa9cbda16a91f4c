#!/bin/sh
# Fetches a few large camera photographs from Debian's wallpaper packages into
# build/photos, for the end-to-end tests and the benchmarks. Nothing is
# installed; the packages are only unpacked. Prints the folder.
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
dest="$top/build/photos"
if [ -f "$dest/.done" ]; then
    exit 0
fi
mkdir -p "$dest"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
for pkg in lomiri-wallpapers-20.04 lomiri-wallpapers-16.04; do
    if ! apt-get download "$pkg" >/dev/null 2>&1; then
        [ "$(id -u)" -eq 0 ] && apt-get update -qq >/dev/null 2>&1
        apt-get download "$pkg" >/dev/null 2>&1 || { echo "could not download $pkg" >&2; continue; }
    fi
    dpkg -x ./"$pkg"_*.deb "x-$pkg"
done
find "$work" -type f \( -iname '*.jpg' -o -iname '*.jpeg' \) -size +1M -exec cp {} "$dest"/ \;
touch "$dest/.done"
