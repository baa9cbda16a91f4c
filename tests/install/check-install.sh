#!/bin/sh
# Installs the build into a temporary prefix and checks that exactly the
# expected files land where a Linux desktop looks for them, and that the menu
# entry and the software-centre description pass their validators.
#   check-install.sh BUILD_DIR SOURCE_DIR
set -eu
build=$1
source=$2
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null
(cd "$prefix" && find . -type f | sort) > "$prefix.found"
cat > "$prefix.expected" <<'LIST'
./bin/pictavo
./share/applications/example.vornholt.Pictavo.desktop
./share/icons/hicolor/128x128/apps/pictavo.png
./share/icons/hicolor/16x16/apps/pictavo.png
./share/icons/hicolor/24x24/apps/pictavo.png
./share/icons/hicolor/256x256/apps/pictavo.png
./share/icons/hicolor/32x32/apps/pictavo.png
./share/icons/hicolor/48x48/apps/pictavo.png
./share/icons/hicolor/64x64/apps/pictavo.png
./share/icons/hicolor/scalable/apps/pictavo.svg
./share/metainfo/example.vornholt.Pictavo.metainfo.xml
./share/pictavo/Pictavo.qch
LIST
status=0
if ! diff -u "$prefix.expected" "$prefix.found"; then
    echo "The installed files differ from the expected list." >&2
    status=1
fi
rm -f "$prefix.expected" "$prefix.found"
[ -x "$prefix/bin/pictavo" ] || { echo "bin/pictavo is not executable" >&2; status=1; }
# Each PNG has the size of its folder.
for png in "$prefix"/share/icons/hicolor/*x*/apps/pictavo.png; do
    size=$(basename "$(dirname "$(dirname "$png")")")
    width=$(od -An -tu1 -j16 -N8 "$png" | awk '{print $3*256+$4 "x" $7*256+$8}')
    [ "$width" = "$size" ] || { echo "$png is $width, not $size" >&2; status=1; }
done
desktop-file-validate "$prefix/share/applications/example.vornholt.Pictavo.desktop" || status=1
grep -qx 'Exec=pictavo' "$prefix/share/applications/example.vornholt.Pictavo.desktop" || status=1
appstreamcli validate --no-net "$prefix/share/metainfo/example.vornholt.Pictavo.metainfo.xml" ||
    status=1
exit $status
