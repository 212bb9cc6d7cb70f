#!/usr/bin/env bash
# The batch row of the benchmark: FILES bitmaps of 3000 x 2000 (24-bit) converted four ways,
# alternating run by run: one pictorbcmd over their folder, one pictorbcmd per file in a loop,
# the README's xargs recipe with -P $(nproc), and ImageMagick's "mogrify -format psd".
# Prints medians [min - max] of wall time, CPU time and peak memory, the ratios of the folder
# run to each of the others taken run pair by run pair, and the folder run's peak memory
# against a single file's conversion. Then the small-file row: SMALL bitmaps of 64 x 64 (default
# 5000) converted by one pictorbcmd over their folder with the default workers, with
# --jobs=64, and by mogrify, with the ratio of --jobs=64 to the default.
# Usage: scripts/batch-benchmark.sh [PICTORBCMD]; environment FILES (default "16 64"), SMALL
# (default 5000; 0 leaves the row out), RUNS (alternating runs, default 5). Builds a Release
# binary in build-bench/ unless given one.
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build-bench"
work="$build/batch"
runs="${RUNS:-5}"
pictorb="${1:-}"
if [ -z "$pictorb" ]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DPICTORB_TESTS=OFF > /dev/null
    cmake --build "$build" --target pictorbcmd -j "$(nproc)" > /dev/null
    pictorb="$build/pictorbcmd"
fi
mogrify="$(command -v mogrify-im6.q16 || command -v mogrify)"
im="$(command -v convert-im6.q16 || command -v convert)"
mkdir -p "$work/bin" "$work/out"
"${CC:-cc}" -O2 -o "$work/measure" "$root/scripts/bench-measure.c"
ln -sf "$pictorb" "$work/bin/pictorbcmd"
recipe=$(sed -n "s/^ *\(find . -name '\*.bmp' -print0 | xargs -0 -P.*\)$/\1/p" "$root/README.md" | head -n 1)
[ -n "$recipe" ] || { echo "batch-benchmark: the README has no xargs recipe" >&2; exit 1; }

results="$work/results.txt"  # files tool wall cpu rss
: > "$results"

measure() {  # files tool command...
    local files=$1 tool=$2
    shift 2
    rm -rf "$work/out" && mkdir "$work/out"
    "$work/measure" "$work/line" "$@" > /dev/null || { echo "batch-benchmark: failed: $*" >&2; exit 1; }
    local written
    written=$(find "$work/out" -name '*.psd' | wc -l)
    if [ "$written" -ne "$files" ] && [ "$tool" != single ]; then
        echo "batch-benchmark: $tool wrote $written of $files documents" >&2
        exit 1
    fi
    echo "$files $tool $(tail -n 1 "$work/line")" >> "$results"
}

for files in ${FILES:-16 64}; do
    in="$work/in$files"
    if [ ! -f "$in/photo$((files - 1)).bmp" ]; then
        mkdir -p "$in"
        "$im" -seed 7 -size 750x500 plasma:fractal -resize '3000x2000!' -depth 8 \
            -type TrueColor "BMP3:$in/photo0.bmp"
        for ((i = 1; i < files; i++)); do cp "$in/photo0.bmp" "$in/photo$i.bmp"; done
    fi
    folder=("$pictorb" -q -i "$in" -o "$work/out")
    loop=(bash -c "for f in \"$in\"/*.bmp; do \"$pictorb\" -q -i \"\$f\" -o \"$work/out\"; done")
    xargsRun=(bash -c "cd \"$in\" && PATH=\"$work/bin:\$PATH\" && ${recipe//\$PWD\/out/$work/out}")
    magick=("$mogrify" -path "$work/out" -format psd "$in"/*.bmp)
    single=("$pictorb" -q -i "$in/photo0.bmp" -o "$work/out")
    measure "$files" warmup "${folder[@]}"
    for ((r = 0; r < runs; r++)); do
        measure "$files" folder "${folder[@]}"
        measure "$files" loop "${loop[@]}"
        measure "$files" xargs "${xargsRun[@]}"
        measure "$files" mogrify "${magick[@]}"
        measure "$files" single "${single[@]}"
    done
done

echo
echo "batch: 3000 x 2000 24-bit bitmaps, $(nproc) CPUs, $runs alternating runs; pictorbcmd" \
    "$("$pictorb" -v | tr -d '\0\r\n'), $("$mogrify" -version | head -1 | cut -d' ' -f2-3)"
awk -f "$root/scripts/bench-stats.awk" -f - "$results" << 'AWK'
    $2 == "warmup" || $2 ~ /^small-/ { next }
    {
        if (!($1 in seen)) { seen[$1] = 1; order[++sizes] = $1 }
        k = $1 SUBSEP $2; n = ++count[k]
        wall[k, n] = $3; cpu[k, n] = $4; rss[k, n] = $5 / 1024
    }
    function ratio(array, files, other, n,    i, list) {
        for (i = 1; i <= n; i++)
            list[i] = array[files SUBSEP "folder", i] / array[files SUBSEP other, i]
        return stats(list, n, "%.2f")
    }
    END {
        printf "%-6s %-22s %-26s %-26s %s\n", "files", "", "wall s", "CPU s", "peak RSS MiB"
        split("folder loop xargs mogrify single", tools, " ")
        names["folder"] = "one process, folder"; names["loop"] = "one process per file"
        names["xargs"] = "xargs -P $(nproc)"; names["mogrify"] = "ImageMagick mogrify"
        names["single"] = "one file alone"
        for (s = 1; s <= sizes; s++) {
            files = order[s]
            for (t = 1; t <= 5; t++) {
                k = files SUBSEP tools[t]; n = count[k]
                printf "%-6s %-22s %-26s %-26s %s\n", t == 1 ? files : "", names[tools[t]],
                    column(wall, k, n, "%.2f"), column(cpu, k, n, "%.2f"), column(rss, k, n, "%.0f")
            }
            n = count[files SUBSEP "folder"]
            printf "%-6s %-22s %s\n", "", "folder / loop", ratio(wall, files, "loop", n)
            printf "%-6s %-22s %s\n", "", "folder / xargs", ratio(wall, files, "xargs", n)
            printf "%-6s %-22s %s\n", "", "folder / mogrify", ratio(wall, files, "mogrify", n)
            printf "%-6s %-22s %s (peak RSS)\n", "", "folder / one file", ratio(rss, files, "single", n)
            for (i = 1; i <= n; i++) folderWall[i] = wall[files SUBSEP "folder", i]
            printf "%-6s %-22s %.3f s\n", "", "folder time per file", median(folderWall, n) / files
        }
    }
AWK

small="${SMALL:-5000}"
[ "$small" -gt 0 ] || exit 0
in="$work/small$small"
if [ ! -f "$in/s$((small - 1)).bmp" ]; then
    mkdir -p "$in"
    "$im" -seed 7 -size 64x64 plasma:fractal -depth 8 -type TrueColor "BMP3:$in/s0.bmp"
    for ((i = 1; i < small; i++)); do cp "$in/s0.bmp" "$in/s$i.bmp"; done
fi
measure "$small" warmup "$pictorb" -q -i "$in" -o "$work/out"
for ((r = 0; r < runs; r++)); do
    measure "$small" small-default "$pictorb" -q -i "$in" -o "$work/out"
    measure "$small" small-jobs64 "$pictorb" -q --jobs=64 -i "$in" -o "$work/out"
    measure "$small" small-mogrify "$mogrify" -path "$work/out" -format psd "$in/*.bmp"
done
echo
echo "small files: $small bitmaps of 64 x 64, $runs alternating runs"
awk -f "$root/scripts/bench-stats.awk" -f - "$results" << 'AWK'
    $2 !~ /^small-/ { next }
    { k = $2; n = ++count[k]; wall[k, n] = $3; cpu[k, n] = $4; rss[k, n] = $5 / 1024 }
    END {
        printf "%-26s %-26s %-26s %s\n", "", "wall s", "CPU s", "peak RSS MiB"
        split("small-default small-jobs64 small-mogrify", tools, " ")
        names["small-default"] = "folder, default workers"
        names["small-jobs64"] = "folder, --jobs=64"
        names["small-mogrify"] = "ImageMagick mogrify"
        for (t = 1; t <= 3; t++) {
            k = tools[t]; n = count[k]
            printf "%-26s %-26s %-26s %s\n", names[k], column(wall, k, n, "%.2f"),
                column(cpu, k, n, "%.2f"), column(rss, k, n, "%.0f")
        }
        n = count["small-default"]
        for (i = 1; i <= n; i++) list[i] = wall["small-jobs64", i] / wall["small-default", i]
        printf "%-26s %s\n", "--jobs=64 / default", stats(list, n, "%.2f")
    }
AWK
