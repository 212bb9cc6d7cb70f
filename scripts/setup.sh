#!/usr/bin/env bash
# Installs every Debian package that building and testing pictorb needs.
# Usage: scripts/setup.sh [--tests]. Run as root. Safe to run again: it only calls apt when
# something is missing.
set -euo pipefail

# What building the program needs (the sample command stops here).
packages=(
  cmake ninja-build g++ pkg-config
  libfreeimage-dev
  libpng-dev libjpeg-dev zlib1g-dev libarchive-dev
  libcairo2-dev libpango1.0-dev fontconfig fonts-liberation2 fonts-dejavu-core
  librsvg2-bin
  qt6-base-dev
)
# What the tests add: the test framework, DevIL as a reference encoder, clang for the fuzzers,
# the formatter, other programs' readers of the documents, a display for the desktop tests and
# the checkers of the manual page and desktop files.
if [ "${1:-}" = "--tests" ]; then
  packages+=(
    libgtest-dev libgmock-dev libdevil-dev
    clang libclang-rt-dev clang-format-14
    imagemagick graphicsmagick python3-psd-tools
    xvfb xdotool
    groff-base desktop-file-utils appstream
  )
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

if [ "$(id -u)" -ne 0 ]; then
  echo "setup: these packages are missing and installing them needs root: ${missing[*]}" >&2
  exit 1
fi

export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}"
