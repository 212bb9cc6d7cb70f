#!/usr/bin/env bash
# A 6000 x 4000 conversion from the desktop window (Convert pressed to the outcome shown,
# offscreen) against the same conversion with the command line, alternating, and the longest
# gap between two polls of the progress dialog during each desktop run.
# Usage: scripts/desktop-convert-bench.sh [RUNS]   (default 7; builds Release in build-bench/,
# or uses the build folder named by BUILD as it is configured). FILES=16 converts a folder of
# 16 bitmaps of 3000 x 2000 (any count) instead, typed into the window as a folder.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${BUILD:-$root/build-bench}"
runs="${1:-7}"
[ -n "${BUILD:-}" ] || cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release > /dev/null
cmake --build "$build" --target pictorbcmd desktop_convert_bench > /dev/null
work="$build/desktop-bench"
mkdir -p "$work/cli" "$work/desktop" "$work/run"
chmod 700 "$work/run"
files="${FILES:-0}"
if [ "$files" -gt 0 ]; then
    input="$work/batch-$files"
    mkdir -p "$input"
    [ -f "$input/1.bmp" ] ||
        convert -size 3000x2000 plasma:fractal -depth 8 -type TrueColor "BMP3:$input/1.bmp"
    for i in $(seq 2 "$files"); do [ -f "$input/$i.bmp" ] || cp "$input/1.bmp" "$input/$i.bmp"; done
else
    input="$work/6000x4000.bmp"
    [ -f "$input" ] || convert -size 6000x4000 plasma:fractal -depth 8 -type TrueColor "BMP3:$input"
fi

export XDG_RUNTIME_DIR="$work/run" XDG_CONFIG_HOME="$work/config" QT_QPA_PLATFORM=offscreen
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
: > "$work/cli.txt"; : > "$work/desktop.txt"
for _ in $(seq "$runs"); do
    begin=$(date +%s%N)
    "$build/pictorbcmd" -q -i "$input" -o "$work/cli" > /dev/null
    echo $(( ($(date +%s%N) - begin) / 1000000 )) >> "$work/cli.txt"
    "$build/tests/desktop_convert_bench" "$input" "$work/desktop/" 1 >> "$work/desktop.txt"
done
cli=$(median < "$work/cli.txt")
desk=$(cut -d' ' -f1 "$work/desktop.txt" | median)
gap=$(cut -d' ' -f2 "$work/desktop.txt" | median)
echo "command line ms: $(tr '\n' ' ' < "$work/cli.txt")"
echo "desktop ms (wall, longest poll gap): $(tr '\n' ';' < "$work/desktop.txt")"
echo "median: command line $cli ms, desktop $desk ms (ratio $(awk -v a="$desk" -v b="$cli" 'BEGIN { printf "%.2f", a / b }')), longest poll gap $gap ms over $runs runs"
