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
# The frame and the click at scale factor 2 on a 2560 x 1600 monitor, where
# the view draws twice as many pixels each way.
for b in bench_frame_move bench_frame_click; do
    echo "== $b at scale factor 2"
    "$top/tests/run_isolated.sh" env \
        QT_QPA_PLATFORM="offscreen:configfile=$top/tests/offscreen-two-monitors.json" \
        QT_SCALE_FACTOR=2 PICTAVO_PHOTOS="$top/build/photos" "$top/build/release/bench/$b"
done
# The click on a 3840 x 2160 monitor at scale factor 2, the largest the view's
# copy is made ahead for.
echo "== bench_frame_click at 3840 x 2160, scale factor 2"
"$top/tests/run_isolated.sh" env \
    QT_QPA_PLATFORM="offscreen:configfile=$top/bench/offscreen-3840x2160.json" \
    QT_SCALE_FACTOR=2 PICTAVO_PHOTOS="$top/build/photos" "$top/build/release/bench/bench_frame_click" \
    --benchmark_filter=ClickToNextPicturePainted
