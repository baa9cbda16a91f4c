#!/bin/sh
# Installs the Debian 12 packages Pictavo needs to build, run and test.
# As root it installs what is missing; otherwise it prints the one command
# that would, and fails.
set -eu
PACKAGES="cmake ninja-build g++ pkg-config qt6-base-dev qt6-base-dev-tools qt6-multimedia-dev
qt6-svg-dev libqt6svg6 qt6-image-formats-plugins libjpeg62-turbo-dev libjpeg-turbo-progs libexif-dev
libgtest-dev libgmock-dev libbenchmark-dev xvfb xauth x11-utils x11-xserver-utils fonts-dejavu-core clang
libclang-rt-14-dev ccache libx11-dev libxtst-dev x11-xkb-utils qt6-tools-dev qt6-documentation-tools
libqt6help6 libqt6sql6-sqlite xdotool desktop-file-utils appstream dpkg-dev file lintian man-db
openbox xfwm4 picom dbus libturbojpeg0-dev libheif-dev libheif-examples imagemagick"
missing=""
for p in $PACKAGES; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing="$missing $p"
    fi
done
[ -z "$missing" ] && exit 0
if [ "$(id -u)" -ne 0 ]; then
    echo "Pictavo needs some packages first. Run:"
    echo "  sudo apt-get update && sudo apt-get install -y$missing"
    exit 1
fi
echo "Installing:$missing"
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
# shellcheck disable=SC2086
apt-get install -y -qq --no-install-recommends $missing
