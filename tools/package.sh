#!/bin/sh
# Builds the Debian package build/package/pictavo_<version>_<arch>.deb from a
# release build of its own; its dependencies are computed from the program.
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/tools/setup.sh"
"$top/tools/build.sh" build/package -DCMAKE_BUILD_TYPE=Release -DPICTAVO_TESTS=OFF \
    -DPICTAVO_BENCH=OFF
cd "$top/build/package"
cpack -G DEB
ls "$top"/build/package/pictavo_*.deb
