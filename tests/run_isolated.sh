#!/bin/sh
# Runs one test binary with a home, configuration and temporary folders of its
# own, so no test reads or writes the real ones, and removes them afterwards.
set -u
base=$(mktemp -d "${TMPDIR:-/tmp}/pictavo-test.XXXXXX") || exit 1
trap 'chmod -R u+rwX "$base" 2>/dev/null; rm -rf "$base"' EXIT INT TERM
mkdir -p "$base/home" "$base/config" "$base/xdg" "$base/runtime" "$base/tmp"
chmod 700 "$base/runtime"
export HOME="$base/home"
export XDG_CONFIG_HOME="$base/config"
export XDG_CONFIG_DIRS="$base/xdg"
export XDG_RUNTIME_DIR="$base/runtime"
export TMPDIR="$base/tmp"
export QTEST_FUNCTION_TIMEOUT="${QTEST_FUNCTION_TIMEOUT:-120000}"
export DBUS_SESSION_BUS_ADDRESS="disabled:"
export PICTAVO_SOURCE_DIR="$(cd "$(dirname "$0")/.." && pwd)"
"$@"
