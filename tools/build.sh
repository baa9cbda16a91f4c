#!/bin/sh
# Configures and builds one build folder: tools/build.sh FOLDER [cmake options...]
# The project's own builds treat warnings as errors; -DPICTAVO_WERROR=OFF
# among the options turns that off again.
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
dir=$1
shift
launcher=""
command -v ccache >/dev/null 2>&1 && launcher="-DCMAKE_CXX_COMPILER_LAUNCHER=ccache"
cmake -S "$top" -B "$top/$dir" -G Ninja $launcher -DPICTAVO_WERROR=ON "$@" >/dev/null
cmake --build "$top/$dir" -j "$(nproc)"
