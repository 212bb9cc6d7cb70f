#!/usr/bin/env bash
# Builds the bitmap fuzzer with clang in build-fuzz and runs it.
# Usage: scripts/fuzz.sh [seconds]   (default 60; CI runs the default, longer runs by hand)
# Crashing inputs land in build-fuzz/artifacts/; the corpus grows in build-fuzz/corpus/.
set -euo pipefail

seconds="${1:-60}"
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build-fuzz"

CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja \
    -DPICTORB_FUZZ=ON -DPICTORB_TESTS=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
ninja -C "$build" -j2 fuzz_bitmap_reader make_bitmap_seeds

mkdir -p "$build/seeds" "$build/corpus" "$build/artifacts"
"$build/fuzz/make_bitmap_seeds" "$build/seeds"

# FreeImage asks for large blocks on its own; those requests may fail instead of aborting.
export ASAN_OPTIONS="allocator_may_return_null=1:${ASAN_OPTIONS:-}"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1:${UBSAN_OPTIONS:-}"
"$build/fuzz/fuzz_bitmap_reader" "$build/corpus" "$build/seeds" \
    -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2560 -max_len=65536 \
    -artifact_prefix="$build/artifacts/" -print_final_stats=1
