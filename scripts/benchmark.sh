#!/usr/bin/env bash
# Measures pictorbcmd against ImageMagick's "convert in.bmp out.psd", side by side.
# Usage: scripts/benchmark.sh [extra cmake options, e.g. -DCMAKE_CXX_FLAGS=-march=native]
# Environment: RUNS (alternating runs per input, default 7), START_RUNS (runs of
# "pictorbcmd -v", default 300), DESKTOP_RUNS (desktop starts timed to the window on Xvfb,
# default 21), IM_CONVERT (ImageMagick's convert, found if unset).
# Builds a Release binary in build-bench/, makes its inputs there once, and prints one table:
# medians [min - max] of wall time, CPU time (user + system) and peak resident memory, with
# the ratios taken run pair by run pair, and the I/O floor: a cp of the input, then a cp of the
# document, each its own process timed alike.
# Not part of CI: timings depend on the machine and on whatever else runs on it.
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build-bench"
work="$build/bench"
runs="${RUNS:-7}"
startRuns="${START_RUNS:-300}"

# --- tools --------------------------------------------------------------------------------

need=()
command -v hyperfine > /dev/null || need+=(hyperfine)
command -v convert-im6.q16 > /dev/null || command -v magick > /dev/null ||
    command -v convert > /dev/null || need+=(imagemagick)
if [ ${#need[@]} -gt 0 ]; then
    if [ "$(id -u)" -ne 0 ]; then
        echo "benchmark: please install: ${need[*]}" >&2
        exit 1
    fi
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${need[@]}"
fi
# Debian's own binary first: "convert" on PATH may be a wrapper with a start-up of its own.
im="${IM_CONVERT:-$(command -v convert-im6.q16 || command -v magick || command -v convert)}"

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DPICTORB_TESTS=OFF "$@" \
    > /dev/null
cmake --build "$build" --target pictorbcmd -j "$(nproc)" > /dev/null
pictorb="$build/pictorbcmd"

mkdir -p "$work/inputs" "$work/out" "$work/runtime"
chmod 700 "$work/runtime"
# A private guard folder: another pictorbcmd running elsewhere cannot end a measured run early.
export XDG_RUNTIME_DIR="$work/runtime"

"${CC:-cc}" -O2 -o "$work/measure" "$root/scripts/bench-measure.c"

# --- inputs -------------------------------------------------------------------------------

# Plasma pictures (made small and scaled up, which is quicker), stored as plain BMP files.
make_input() {  # name width height [palette]
    local file="$work/inputs/$1.bmp"
    [ -s "$file" ] && return
    local small="$(($2 / 4))x$(($3 / 4))"
    if [ "${4:-}" = palette ]; then
        "$im" -seed 7 -size "$small" plasma:fractal +dither -colors 256 -filter point \
            -resize "$2x$3!" -type Palette -compress None "BMP3:$file"
    elif [ "${4:-}" = alpha ]; then  # a 32-bit bitmap whose alpha falls from left to right
        "$im" -seed 7 -size "$small" plasma:fractal -resize "$2x$3!" -depth 8 \
            \( -size "$3x$2" gradient:white-black -rotate 90 \) -compose CopyOpacity -composite \
            -type TrueColorAlpha "BMP:$file"
    else
        "$im" -seed 7 -size "$small" plasma:fractal -resize "$2x$3!" -depth 8 \
            -type TrueColor "BMP3:$file"
    fi
}
make_input 640x480 640 480
make_input 4000x3000 4000 3000
make_input 6000x4000 6000 4000
make_input 6000x4000-8bit 6000 4000 palette
make_input 6000x4000-alpha 6000 4000 alpha

frame=(--fr-solid-left=40 --fr-solid-right=40 --fr-solid-top=40 --fr-solid-bottom=40
       --fr-solid-left-color=FF0000 "--wm-text=Pictorb benchmark")
imFrame=(-fill black -draw "rectangle 0,0 5999,39" -draw "rectangle 0,3960 5999,3999"
         -draw "rectangle 5960,0 5999,3999" -fill red -draw "rectangle 0,0 39,3999"
         -fill white -font "$(fc-match -f '%{file}' sans)" -pointsize 24 -gravity southeast
         -annotate +8+8 "Pictorb benchmark")

# --- measuring ----------------------------------------------------------------------------

results="$work/results.txt"  # label tool wall cpu rss
: > "$results"

measure() {  # label tool command...
    local label=$1 tool=$2
    shift 2
    rm -f "$work/out/"* "$work/line"
    "$work/measure" "$work/line" "$@" || { echo "benchmark: failed: $*" >&2; exit 1; }
    # A run that wrote nothing (a refused start, say) must not pass for a fast one.
    if [ -z "$(ls -A "$work/out")" ]; then
        echo "benchmark: no output from: $*" >&2
        exit 1
    fi
    echo "$label $tool $(cat "$work/line")" >> "$results"
}

bench() {  # label input [pictorbcmd options...] -- [ImageMagick options...]
    local label=$1 input="$work/inputs/$2.bmp"
    shift 2
    local pbOptions=() imOptions=()
    while [ $# -gt 0 ] && [ "$1" != -- ]; do pbOptions+=("$1"); shift; done
    [ $# -gt 0 ] && shift
    imOptions=("$@")
    local pb=("$pictorb" -i "$input" -o "$work/out" "${pbOptions[@]}")
    local magick=("$im" "$input" "${imOptions[@]}" "$work/out/im.psd")
    # One unmeasured run each, so that every measured one finds the files in the cache.
    measure warmup x "${pb[@]}"
    cp "$work/out/$(basename "$input" .bmp).psd" "$work/copy-source"
    measure warmup x "${magick[@]}"
    for ((i = 0; i < runs; i++)); do
        measure "$label" pictorbcmd "${pb[@]}"
        measure "$label" imagemagick "${magick[@]}"
        measure "$label" cp cp "$work/copy-source" "$work/out/copy.psd"
        measure "$label" cpin cp "$input" "$work/out/copy.bmp"
    done
    rm -f "$work/copy-source"
}

load_before=$(cut -d' ' -f1-3 /proc/loadavg)
bench 640x480 640x480
bench 4000x3000 4000x3000
bench 6000x4000 6000x4000
bench 6000x4000-8bit 6000x4000-8bit
bench 6000x4000-alpha 6000x4000-alpha
bench 6000x4000+frame+text 6000x4000 "${frame[@]}" -- "${imFrame[@]}"
# Packed rows; ImageMagick packs its documents too unless told otherwise.
bench 6000x4000-rle 6000x4000 --psd-compression=RLE -- -compress RLE
load_after=$(cut -d' ' -f1-3 /proc/loadavg)

hyperfine -N --style none --warmup 20 --runs "$startRuns" --export-json "$work/start.json" \
    "$pictorb -v" > /dev/null
start_ms=$(tr -d ' \n' < "$work/start.json" |
    sed -E 's/.*"median":([0-9.e+-]+).*/\1/' | awk '{ printf "%.2f", $1 * 1000 }')
start_range=$(tr -d ' \n' < "$work/start.json" |
    sed -E 's/.*"min":([0-9.e+-]+),"max":([0-9.e+-]+).*/\1 \2/' |
    awk '{ printf "%.2f - %.2f", $1 * 1000, $2 * 1000 }')

# --- table --------------------------------------------------------------------------------

echo
echo "pictorbcmd $("$pictorb" -v | tr -d '\0\r\n') (Release$([ $# -gt 0 ] && echo ", $*"))" \
    "against $("$im" -version | head -1 | cut -d' ' -f2-3)"
echo "$(nproc) CPUs, $(uname -r), transparent huge pages:" \
    "$(cat /sys/kernel/mm/transparent_hugepage/enabled 2>/dev/null || echo n/a)"
echo "load average before/after: $load_before / $load_after; $runs alternating runs per input"
echo
awk -v runs="$runs" -f "$root/scripts/bench-stats.awk" -f - "$results" << 'AWK'
    $1 == "warmup" { next }
    {
        if (!($1 in seen)) { seen[$1] = 1; order[++inputs] = $1 }
        k = $1 SUBSEP $2; n = ++count[k]
        wall[k, n] = $3; cpu[k, n] = $4; rss[k, n] = $5 / 1024
    }
    function ratio(array, input, n, other,    i, list) {
        for (i = 1; i <= n; i++)
            list[i] = array[input SUBSEP "pictorbcmd", i] / array[input SUBSEP other, i]
        return stats(list, n, "%.2f")
    }
    END {
        printf "%-22s %-12s %-26s %-26s %s\n", "input", "", "wall s", "CPU s", "peak RSS MiB"
        for (i = 1; i <= inputs; i++) {
            input = order[i]
            # The I/O floor: cp of the input plus cp of the document, run pair by run pair.
            n = count[input SUBSEP "cp"]
            for (j = 1; j <= n; j++) {
                wall[input, "floor", j] = wall[input, "cp", j] + wall[input, "cpin", j]
                cpu[input, "floor", j] = cpu[input, "cp", j] + cpu[input, "cpin", j]
                rss[input, "floor", j] = rss[input, "cp", j] > rss[input, "cpin", j] ? \
                    rss[input, "cp", j] : rss[input, "cpin", j]
            }
            count[input SUBSEP "floor"] = n
            for (t = 1; t <= 3; t++) {
                tool = t == 1 ? "pictorbcmd" : t == 2 ? "imagemagick" : "floor"
                k = input SUBSEP tool; n = count[k]
                printf "%-22s %-12s %-26s %-26s %s\n", t == 1 ? input : "",
                    tool == "floor" ? "I/O floor" : tool == "imagemagick" ? "ImageMagick" : tool,
                    column(wall, k, n, "%.3f"), column(cpu, k, n, "%.3f"),
                    column(rss, k, n, "%.0f")
            }
            n = count[input SUBSEP "pictorbcmd"]
            printf "%-22s %-12s %-26s %-26s %s\n", "", "ratio pb/IM",
                ratio(wall, input, n, "imagemagick"), ratio(cpu, input, n, "imagemagick"),
                ratio(rss, input, n, "imagemagick")
            printf "%-22s %-12s %-26s %-26s\n", "", "pb/floor", ratio(wall, input, n, "floor"),
                ratio(cpu, input, n, "floor")
            for (j = 1; j <= n; j++) pbWall[input, j] = wall[input SUBSEP "pictorbcmd", j]
        }
        plain = "6000x4000"; framed = "6000x4000+frame+text"
        if ((plain SUBSEP "pictorbcmd") in count && (framed SUBSEP "pictorbcmd") in count) {
            for (j = 1; j <= runs; j++) { a[j] = pbWall[plain, j]; b[j] = pbWall[framed, j] }
            printf "\nframe + text watermark on 6000x4000 add %.3f s (difference of medians)\n",
                median(b, runs) - median(a, runs)
        }
    }
AWK
echo "pictorbcmd -v start-up: median $start_ms ms [$start_range] over $startRuns runs (hyperfine)"

# The desktop start on a private X display (needs xvfb and xdotool).
if command -v Xvfb > /dev/null && command -v xdotool > /dev/null; then
    bash "$root/scripts/desktop-start.sh" "$pictorb" "${DESKTOP_RUNS:-21}" | tail -n 1 |
        sed 's/^/desktop start to window mapped: /'
fi

# The batch row: a folder of bitmaps in one process against a loop, xargs and mogrify.
bash "$root/scripts/batch-benchmark.sh" "$pictorb"
