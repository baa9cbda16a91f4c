#!/bin/sh
# Sets up, builds and runs every test headless: a plain build, then one with
# the address and undefined-behaviour sanitizers.
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/tools/setup.sh"
# Large real photographs for the end-to-end tests; they skip when this fails.
"$top/tools/fetch-photos.sh" || echo "Could not fetch the test photographs."
export PICTAVO_PHOTOS="$top/build/photos"
run_suite() {
    dir=$1
    shift
    "$top/tools/build.sh" "$dir" "$@"
    cd "$top/$dir"
    ctest -LE x11 --output-on-failure -j 2
    # Tests that need a real X server (mouse capture, screenshots) share one Xvfb.
    if ctest -N -L x11 | grep -q "Total Tests: [1-9]"; then
        xvfb-run -a -s "-screen 0 1280x800x24" ctest -L x11 --output-on-failure
    fi
    cd "$top"
}
# The plain suite builds at Release, with warnings as errors: the optimiser
# finds warnings that lighter builds never see.
run_suite build/release -DCMAKE_BUILD_TYPE=Release -DPICTAVO_WERROR=ON -DPICTAVO_BENCH=ON
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    LSAN_OPTIONS="suppressions=$top/tests/lsan.supp" \
    run_suite build/sanitize -DCMAKE_BUILD_TYPE=Debug -DPICTAVO_SANITIZE=ON -DPICTAVO_BENCH=OFF
echo "All test suites passed."
