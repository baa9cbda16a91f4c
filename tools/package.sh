#!/bin/sh
# Builds the Debian package build/package/pictavo_<version>_<arch>.deb from a
# release build of its own; its dependencies are computed from the program.
# Then lintian checks it: any error or warning fails the command.
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/tools/setup.sh"
# Debian's compiler and linker flags, hardening included (fortified string
# functions, stack protector, read-only relocations bound at start).
# The package is stripped, so no debugging information (-g) is made; the
# optimisation level is the Release build's.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
flags() { dpkg-buildflags --get "$1" | sed 's/\(^\| \)-g\( \|$\)/ /; s/\(^\| \)-O2\( \|$\)/ /'; }
cflags="$(flags CFLAGS) $(flags CPPFLAGS)"
cxxflags="$(flags CXXFLAGS) $(flags CPPFLAGS)"
ldflags=$(flags LDFLAGS)
# Built as a packager would: a new compiler's warning does not stop the package.
"$top/tools/build.sh" build/package -DCMAKE_BUILD_TYPE=Release -DPICTAVO_TESTS=OFF \
    -DPICTAVO_BENCH=OFF -DPICTAVO_WERROR=OFF "-DCMAKE_C_FLAGS=$cflags" \
    "-DCMAKE_CXX_FLAGS=$cxxflags" "-DCMAKE_EXE_LINKER_FLAGS=$ldflags"
cd "$top/build/package"
rm -f pictavo_*.deb
cpack -G DEB
deb=$(ls "$top"/build/package/pictavo_*.deb)
lintian --fail-on error,warning --info "$deb"
echo "$deb"
