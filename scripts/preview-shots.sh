#!/usr/bin/env bash
# Screenshots of the preview panel under Xvfb: the Watermark page at fit on a 3000 x 2000
# photograph-like bitmap and on the sample picture, the Frame page at 100 %, a transparent
# sprite, an error, a dark palette and a 14 pt font. Usage: scripts/preview-shots.sh [BUILD]
# PHOTO=picture.jpg uses that photograph (scaled to 3000 x 2000) instead of a drawn one.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-$root/build}" && pwd)"
out="$build/preview-shots"
mkdir -p "$out"
cmake --build "$build" --target desktop_shots -j2 >/dev/null
photo="$out/photo-3000x2000.bmp"
if [ -n "${PHOTO:-}" ]; then
    convert "$PHOTO" -resize '3000x2000!' -depth 8 -type TrueColor "BMP3:$photo"
elif [ ! -f "$photo" ]; then
    convert -size 3000x2000 plasma:fractal -blur 0x2 -depth 8 -type TrueColor "BMP3:$photo"
fi
xvfb-run -a -s "-screen 0 1280x1024x24" env QT_QPA_PLATFORM=xcb PICTORB_PREVIEW_SHOTS="$out" \
    PICTORB_PREVIEW_PHOTO="$photo" "$build/tests/desktop_shots" --gtest_filter='PreviewShots.*'
ls "$out"/*.png
