#!/usr/bin/env bash
# The preview's latency, Release, offscreen: from an edit in the preferences dialog to the new
# picture shown (Lanczos resize to 50 %, solid frame, text watermark; the input already
# loaded) for 3000 x 2000 and 6000 x 4000 photographs and the sample picture, as medians, and
# the longest gap between two turns of the dialog's event loop during the runs and a burst of
# edits. Usage: scripts/preview-bench.sh [RUNS]   (default 7; builds Release in build-bench/,
# or uses the build folder named by BUILD as it is configured).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${BUILD:-$root/build-bench}"
runs="${1:-7}"
[ -n "${BUILD:-}" ] || cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release > /dev/null
cmake --build "$build" --target preview_bench > /dev/null
work="$build/preview-bench"
mkdir -p "$work/run"
chmod 700 "$work/run"
export XDG_RUNTIME_DIR="$work/run" XDG_CONFIG_HOME="$work/config" QT_QPA_PLATFORM=offscreen
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
for size in 3000x2000 6000x4000 sample; do
    input=sample
    if [ "$size" != sample ]; then
        input="$work/$size.bmp"
        [ -f "$input" ] || convert -size "$size" plasma:fractal -depth 8 -type TrueColor "BMP3:$input"
    fi
    out=$("$build/tests/preview_bench" "$input" "$runs")
    latency=$(grep -v burst <<< "$out" | awk '{ print $1 }' | median)
    gap=$(grep -v burst <<< "$out" | awk '{ print $2 }' | sort -n | tail -n 1)
    burst=$(awk '/burst-gap/ { print $2 }' <<< "$out")
    echo "$size: median ${latency} ms from edit to picture; longest event-loop gap ${gap} ms" \
        "during the runs, ${burst} ms during a burst of edits"
done
