#!/bin/sh
# Sets up, builds and starts Pictavo.
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/tools/setup.sh"
"$top/tools/build.sh" build/release -DCMAKE_BUILD_TYPE=Release
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "Pictavo is built ($top/build/release/pictavo) but there is no display to show it on."
    exit 1
fi
exec "$top/build/release/pictavo"
