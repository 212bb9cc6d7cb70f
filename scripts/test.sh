#!/usr/bin/env bash
# Sets up, builds and runs every test: the normal build, the address/undefined-behaviour
# sanitizer build, and a short fuzzing run of the bitmap reader.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
jobs=$(nproc)

echo "== build and test"
cmake -S . -B build-test -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo > /dev/null
cmake --build build-test -j "$jobs"
ctest --test-dir build-test --output-on-failure -j "$jobs"

echo "== sanitizer build and test"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DPICTORB_SANITIZE=ON > /dev/null
cmake --build build-asan -j "$jobs"
ASAN_OPTIONS=allocator_may_return_null=1:detect_leaks=1 \
LSAN_OPTIONS=suppressions="$PWD/tests/lsan.supp":print_suppressions=0 \
UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest --test-dir build-asan --output-on-failure -j "$jobs"

if [ -f fuzz/CMakeLists.txt ]; then
    echo "== short fuzzing run"
    bash scripts/fuzz.sh "${PICTORB_FUZZ_SECONDS:-60}"
fi
