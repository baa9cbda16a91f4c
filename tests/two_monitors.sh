#!/bin/sh
# Runs a command on an X server of its own with two monitors of different
# sizes side by side, 2560 x 1600 and 2048 x 1536, as RandR monitors on one
# screen (how a desktop with two monitors presents them).
set -eu
exec xvfb-run -a -s "-noreset -screen 0 4608x1600x24" sh -c '
    xrandr --setmonitor A 2560/677x1600/423+0+0 screen >/dev/null &&
    xrandr --setmonitor B 2048/541x1536/406+2560+0 none >/dev/null &&
    exec "$@"' sh "$@"
