#!/usr/bin/env bash
# Renders the built-in icons and the program icon on a light and a dark background into one
# contact sheet per size, magnified without smoothing so single pixels can be judged.
# Usage: [SIZES="16 24 32"] [ZOOM=4] [COLUMNS=8] scripts/icon_sheet.sh [OUT_PREFIX]
# writes OUT_PREFIX-<size>.png (default prefix build/icon-sheet).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
prefix=${1:-$root/build/icon-sheet}
zoom=${ZOOM:-4}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$(dirname "$prefix")"

for size in ${SIZES:-16 24 32}; do
  cell=$((size + size / 2))
  halves=()
  for background in white '#3b3b3b'; do
    tiles=()
    for svg in "$root"/icons/builtin/*.svg "$root"/icons/pictorb.svg; do
      name=$(basename "$svg" .svg)
      case $name in Banner | ConvertLarge) continue ;; esac  # not drawn for small sizes
      rsvg-convert -w "$size" -h "$size" "$svg" -o "$work/$name.png"
      tile="$work/tile-$name-${#halves[@]}.png"
      convert "$work/$name.png" -background "$background" -gravity center \
        -extent "${cell}x${cell}" "$tile"
      tiles+=("$tile")
    done
    half="$work/half-${#halves[@]}.png"
    montage "${tiles[@]}" -tile "${COLUMNS:-8}x" -geometry +0+0 -background "$background" "$half"
    halves+=("$half")
  done
  convert "${halves[@]}" +append -filter point -resize "$((zoom * 100))%" "$prefix-$size.png"
  echo "$prefix-$size.png"
done
