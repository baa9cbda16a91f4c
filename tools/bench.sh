#!/bin/sh
# Builds and runs the benchmarks, printing the figures.
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/tools/setup.sh"
"$top/tools/build.sh" build/release -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPICTAVO_BENCH=ON
"$top/tools/fetch-photos.sh"
for b in "$top"/build/release/bench/bench_*; do
    [ -f "$b" ] && [ -x "$b" ] || continue
    echo "== $(basename "$b")"
    "$top/tests/run_isolated.sh" env QT_QPA_PLATFORM="offscreen:configfile=$top/tests/offscreen.json" \
        PICTAVO_PHOTOS="$top/build/photos" "$b"
done
