#!/usr/bin/env bash
# Sets up, builds pictorbcmd and converts the bundled sample bitmap to a Photoshop document.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DPICTORB_TESTS=OFF > /dev/null
cmake --build build --target pictorbcmd
mkdir -p out
./build/pictorbcmd -i samples/sample.bmp -o "$PWD/out"
ls -l out/sample.psd
