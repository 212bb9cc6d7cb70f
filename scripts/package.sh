#!/usr/bin/env bash
# Builds the Debian package build-package/pictorb_<version>_<arch>.deb (CPack; dependencies
# from dpkg-shlibdeps). Install it with: apt install ./build-package/pictorb_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
# dpkg-shlibdeps, which computes the package's dependencies, comes with dpkg-dev.
if ! command -v dpkg-shlibdeps > /dev/null; then
    apt-get install -y -qq --no-install-recommends dpkg-dev
fi
cmake -S . -B build-package -G Ninja -DCMAKE_BUILD_TYPE=Release -DPICTORB_TESTS=OFF > /dev/null
cmake --build build-package -j "$(nproc)"
rm -f build-package/pictorb_*.deb
(cd build-package && cpack -G DEB > /dev/null)
deb=$(ls build-package/pictorb_*.deb)
dpkg-deb --field "$deb" Package Version Architecture Depends Recommends
echo "$deb"
