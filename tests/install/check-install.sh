#!/bin/sh
# Installs the build into a temporary prefix and checks that exactly the
# expected files land where a Linux desktop looks for them, that the menu
# entry and the software-centre description pass their validators and name
# the same entry and window class.
#   check-install.sh BUILD_DIR SOURCE_DIR [run]
# With "run" (needs an X server in DISPLAY) it also starts the installed
# program: its main window must carry the entry's window class and an icon,
# and F1 must open the installed help file.
set -eu
build=$1
source=$2
run=${3:-}
prefix=$(mktemp -d)
pid=""
trap '[ -n "$pid" ] && kill "$pid" 2>/dev/null; rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null
(cd "$prefix" && find . -type f | sort) > "$prefix.found"
cat > "$prefix.expected" <<'LIST'
./bin/pictavo
./share/applications/example.vornholt.Pictavo.desktop
./share/doc/pictavo/changelog.gz
./share/doc/pictavo/copyright
./share/icons/hicolor/128x128/apps/pictavo.png
./share/icons/hicolor/16x16/apps/pictavo.png
./share/icons/hicolor/24x24/apps/pictavo.png
./share/icons/hicolor/256x256/apps/pictavo.png
./share/icons/hicolor/32x32/apps/pictavo.png
./share/icons/hicolor/48x48/apps/pictavo.png
./share/icons/hicolor/64x64/apps/pictavo.png
./share/icons/hicolor/scalable/apps/pictavo.svg
./share/man/man1/pictavo.1.gz
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
# The description launches the menu entry, and the entry names the class the
# program's windows carry, so docks group a window with its launcher.
entry=$(cd "$prefix/share/applications" && ls ./*.desktop | sed 's|^\./||')
launchable=$(sed -n 's|.*<launchable type="desktop-id">\(.*\)</launchable>.*|\1|p' \
    "$prefix/share/metainfo/example.vornholt.Pictavo.metainfo.xml")
[ "$launchable" = "$entry" ] ||
    { echo "The description launches '$launchable', the entry is '$entry'" >&2; status=1; }
wmclass=$(sed -n 's/^StartupWMClass=//p' "$prefix/share/applications/$entry")
[ -n "$wmclass" ] || { echo "The menu entry names no StartupWMClass" >&2; status=1; }
# The manual page reads without a warning from man.
if man --warnings -l "$prefix/share/man/man1/pictavo.1.gz" 2>&1 >/dev/null | grep .; then
    echo "The manual page has warnings" >&2
    status=1
fi
grep -q '^Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/$' \
    "$prefix/share/doc/pictavo/copyright" ||
    { echo "The copyright file is not machine-readable" >&2; status=1; }
[ "$run" = run ] || exit $status

# The installed program, as the desktop starts it.
export QT_QPA_PLATFORM=xcb
"$prefix/bin/pictavo" &
pid=$!
# The splash goes first; the main window is the one titled "Pictavo".
main=$(timeout 60 xdotool search --sync --onlyvisible --name '^Pictavo$' | head -n 1) ||
    { echo "The installed program showed no main window" >&2; exit 1; }
class=$(xprop -id "$main" WM_CLASS | sed -n 's/^WM_CLASS(STRING) = ".*", "\(.*\)"$/\1/p')
[ "$class" = "$wmclass" ] ||
    { echo "The window's class is '$class', the menu entry's '$wmclass'" >&2; status=1; }
# The sizes of the icons the window carries, from the small one a task bar
# shows to the large one of a task switcher.
icons=$(xprop -id "$main" _NET_WM_ICON | grep -o 'Icon ([0-9]* x [0-9]*)' | tr '\n' ' ')
for size in 16 48 128; do
    case "$icons" in
    *"Icon ($size x $size)"*) ;;
    *) echo "The window carries no $size x $size icon: $icons" >&2; status=1 ;;
    esac
done
# F1 opens the help file from where the package put it: the window's title
# then names the page shown.
xdotool windowfocus --sync "$main"
xdotool key F1
timeout 30 xdotool search --sync --onlyvisible --name '. - Pictavo Help$' >/dev/null ||
    { echo "F1 in the installed program showed no help page" >&2; status=1; }
exit $status
