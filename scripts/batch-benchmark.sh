#!/usr/bin/env bash
# Times the README's parallel batch recipe over FILES bitmaps of 4000 x 3000 (24-bit) with
# each number of jobs given, e.g. scripts/batch-benchmark.sh 1 2. Uses the Release build in
# build-package/ (scripts/package.sh) or builds one; inputs and outputs go to
# build-package/batch/ (about 4.6 GB for 64 files).
set -euo pipefail
cd "$(dirname "$0")/.."
files=${FILES:-64}
[ $# -gt 0 ] || set -- 1 2
if [ ! -x build-package/pictorbcmd ]; then
    cmake -S . -B build-package -G Ninja -DCMAKE_BUILD_TYPE=Release -DPICTORB_TESTS=OFF > /dev/null
    cmake --build build-package --target pictorbcmd
fi
work=$PWD/build-package/batch
mkdir -p "$work/in" "$work/bin"
ln -sf "$PWD/build-package/pictorbcmd" "$work/bin/pictorbcmd"
if [ ! -f "$work/in/photo$((files - 1)).bmp" ]; then
    convert -size 4000x3000 plasma:fractal -seed 7 -type TrueColor BMP3:"$work/in/photo0.bmp"
    for i in $(seq 1 $((files - 1))); do cp "$work/in/photo0.bmp" "$work/in/photo$i.bmp"; done
fi
recipe=$(sed -n "s/^ *\(find . -name '\*.bmp' -print0 | xargs -0 -P.*\)$/\1/p" README.md | head -n 1)
printf 'jobs  wall seconds  files converted\n'
for jobs in "$@"; do
    rm -rf "$work/in/out" && mkdir "$work/in/out"
    sync
    start=$(date +%s.%N)
    (cd "$work/in" && PATH="$work/bin:$PATH" bash -c "nproc() { echo $jobs; }; $recipe")
    end=$(date +%s.%N)
    printf '%4s  %12.1f  %d of %d\n' "$jobs" "$(echo "$end - $start" | bc)" \
        "$(ls "$work/in/out" | wc -l)" "$files"
done
