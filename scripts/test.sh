#!/usr/bin/env bash
# Sets up (Debian packages, as root) and runs every check CI runs, each step timed:
#  1. the formatting check (clang-format-14) and the include layers (scripts/check-layers.sh);
#  2. the optimised build with warnings as errors, and every test (ctest);
#  3. the address and undefined-behaviour sanitizer build, and every test again;
#  4. the thread sanitizer build of the batch tests and of the desktop's conversion thread;
#  5. a short run of every fuzz target (PICTORB_FUZZ_SECONDS, default 60 in all).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh --tests
jobs=$(nproc)
passed=0
started=$SECONDS

# Prints a step's heading with the minutes and seconds since the start.
step() {
    local at=$((SECONDS - started))
    printf '== %s (at %d:%02d)\n' "$1" $((at / 60)) $((at % 60))
}

# Runs ctest in a build folder and adds its test count to the total.
run_ctest() {
    local log
    log=$(mktemp)
    ctest --test-dir "$1" --output-on-failure -j "$jobs" | tee "$log"
    passed=$((passed + $(sed -n 's/.*tests failed out of \([0-9]*\).*/\1/p' "$log" | tail -n 1)))
    rm -f "$log"
}

step "formatting and layers"
bash scripts/check-format.sh
bash scripts/check-layers.sh > /dev/null

# Line tables are debugging information enough for the tests' stack traces, at a fraction of
# the full information's compile and link time.
optimised=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -g1 -DNDEBUG"
           -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O2 -g1 -DNDEBUG")

step "build and test"
cmake -S . -B build-test -G Ninja "${optimised[@]}" -DCMAKE_COMPILE_WARNING_AS_ERROR=ON > /dev/null
cmake --build build-test -j "$jobs"
run_ctest build-test

step "sanitizer build and test"
# -O1 with assertions: the sanitizers' advice, and the tests run twice as fast as at -O0.
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1" -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O1 -g1" \
    -DCMAKE_COMPILE_WARNING_AS_ERROR=ON -DPICTORB_SANITIZE=ON > /dev/null
cmake --build build-asan -j "$jobs"
ASAN_OPTIONS=allocator_may_return_null=1:detect_leaks=1 \
LSAN_OPTIONS=suppressions="$PWD/tests/lsan.supp":print_suppressions=0 \
UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    run_ctest build-asan

step "thread sanitizer: the batch tests, the banded resize and the desktop's conversion thread"
cmake -S . -B build-tsan -G Ninja "${optimised[@]}" -DPICTORB_TSAN=ON \
    -DCMAKE_COMPILE_WARNING_AS_ERROR=ON > /dev/null
cmake --build build-tsan -j "$jobs" --target test_pipeline test_ui_convert
threaded='BatchTest.*:JobTest.*:PoolPlan*:RescaleTest.*'
TSAN_OPTIONS="halt_on_error=1:suppressions=$PWD/tests/tsan.supp" \
    build-tsan/tests/test_pipeline --gtest_filter="$threaded"
passed=$((passed + $(build-tsan/tests/test_pipeline --gtest_list_tests --gtest_filter="$threaded" |
    grep -c '^  ')))
# Qt is not built with the sanitizer: tsan-desktop.supp ignores what Qt's own threads do. The
# conversion with a text watermark is left out: Pango, GLib and fontconfig are not built with
# it either, and their locking is not seen whole.
# The preview's worker: a burst of edits and closing during a render, on bitmaps.
desktop='ConvertTest.*:PreviewPanelTest.ABurst*:PreviewPanelTest.Closing*:-ConvertTest.WritesTheSameDocumentAsTheCommandLine'
cat tests/tsan.supp tests/tsan-desktop.supp > build-tsan/desktop.supp
QT_QPA_PLATFORM=offscreen TSAN_OPTIONS="halt_on_error=1:suppressions=$PWD/build-tsan/desktop.supp" \
    build-tsan/tests/test_ui_convert --gtest_filter="$desktop"
passed=$((passed + $(build-tsan/tests/test_ui_convert --gtest_list_tests --gtest_filter="$desktop" |
    grep -c '^  ')))

if [ -f fuzz/CMakeLists.txt ]; then
    step "short fuzzing run"
    bash scripts/fuzz.sh "${PICTORB_FUZZ_SECONDS:-60}"
fi

step "done"
echo "pictorb tests: $passed passed, 0 failed"
