#!/usr/bin/env bash
# The COM benchmark: the add-in in the fake Excel under Wine, in a Wine prefix of its
# own (BUILD_DIR/win/bench-prefix, made anew), so that it leaves the tests' prefix alone.
#
#   win/bench/run.sh BUILD_DIR [repetitions [bookmarks...]]
#
# BUILD_DIR is the top-level build; its Windows part must be built first:
#   cmake --build BUILD_DIR -j2 --target tessaly_windows
# Prints one JSON line per case and size (defaults: 5 repetitions; 100, 1000 and 10000
# bookmarks); see bench/README.md.
set -euo pipefail

build=$(cd "${1:?usage: run.sh BUILD_DIR [repetitions [bookmarks...]]}" && pwd)/win
shift
repetitions=${1:-5}
(($#)) && shift
(($#)) || set -- 100 1000 10000
[ -f "$build/fake_excel.exe" ] || { echo "no $build/fake_excel.exe: build tessaly_windows first" >&2; exit 1; }

step=$(dirname "$0")/../tests/wine_test.sh
export TESSALY_WINE_PREFIX="$build/bench-prefix" TESSALY_WINE_TIMEOUT=3600
trap 'bash "$step" teardown "$build" >/dev/null' EXIT
bash "$step" setup "$build" >&2
bash "$step" register "$build" >&2
bash "$step" bench "$build" "$repetitions" "$@"
