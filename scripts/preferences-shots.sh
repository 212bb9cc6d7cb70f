#!/usr/bin/env bash
# Screenshots of every page of the preferences dialog under Xvfb, and its opening time.
# Usage: scripts/preferences-shots.sh [build folder]   (default: build)
# Writes <build>/preferences-shots/*.png and opening-time.txt.
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-$root/build}" && pwd)"
out="$build/preferences-shots"
mkdir -p "$out"
cmake --build "$build" --target desktop_shots -j2 >/dev/null
xvfb-run -a -s "-screen 0 1280x1024x24" env QT_QPA_PLATFORM=xcb PICTORB_PREFERENCES_SHOTS="$out" \
    "$build/tests/desktop_shots" --gtest_filter='PreferencesShots.*'
cat "$out/opening-time.txt"
