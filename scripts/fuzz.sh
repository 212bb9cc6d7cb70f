#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in build-fuzz and runs each of them.
# Usage: scripts/fuzz.sh [seconds]   (default 60 in all; CI runs the default, longer runs by hand)
# The bitmap reader gets half of the time, the other parsers share the rest. Crashing inputs
# land in build-fuzz/artifacts/<target>/; the corpora grow in build-fuzz/corpus/<target>/.
set -euo pipefail

seconds="${1:-60}"
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build-fuzz"

# The bitmap reader, then one target per fuzz/<name>.cmake.
targets=(bitmap_reader)
for file in "$root"/fuzz/*.cmake; do
    [ -e "$file" ] && targets+=("$(basename "$file" .cmake)")
done

# -O1 with line tables, as fuzzing services build: a fifth less to compile, stack traces kept.
CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja \
    -DPICTORB_FUZZ=ON -DPICTORB_TESTS=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -gline-tables-only -DNDEBUG" \
    -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O1 -gline-tables-only -DNDEBUG" >/dev/null
build_targets=(make_bitmap_seeds)
for name in "${targets[@]}"; do
    build_targets+=("fuzz_$name")
    if ninja -C "$build" -t targets all 2>/dev/null | grep -q "^make_${name}_seeds:"; then
        build_targets+=("make_${name}_seeds")
    fi
done
ninja -C "$build" -j2 "${build_targets[@]}"

# Library code asks for large blocks on its own; those requests may fail instead of aborting.
export ASAN_OPTIONS="allocator_may_return_null=1:${ASAN_OPTIONS:-}"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1:${UBSAN_OPTIONS:-}"

others=$(( ${#targets[@]} - 1 ))
for name in "${targets[@]}"; do
    if [ "$name" = bitmap_reader ] || [ "$others" -eq 0 ]; then
        share=$(( others > 0 ? seconds / 2 : seconds ))
    else
        share=$(( (seconds - seconds / 2) / others ))
    fi
    [ "$share" -lt 1 ] && share=1
    seeds="$build/seeds/$name"
    mkdir -p "$seeds" "$build/corpus/$name" "$build/artifacts/$name"
    if [ "$name" = bitmap_reader ] || [ "$name" = batch ]; then
        "$build/fuzz/make_bitmap_seeds" "$seeds"
    elif [ -x "$build/fuzz/make_${name}_seeds" ]; then
        "$build/fuzz/make_${name}_seeds" "$seeds"
    elif [ -d "$root/fuzz/seeds/$name" ]; then
        cp -r "$root/fuzz/seeds/$name/." "$seeds/"
    fi
    echo "== fuzz_$name for $share s"
    "$build/fuzz/fuzz_$name" "$build/corpus/$name" "$seeds" \
        -max_total_time="$share" -timeout=10 -rss_limit_mb=2560 -max_len=65536 \
        -artifact_prefix="$build/artifacts/$name/" -print_final_stats=1
done
