#!/usr/bin/env bash
# Pictures the main window with the built-in icons and with each shipped theme, on a private
# Xvfb display, into BUILD/shots/main-<theme>.png.
# Usage: scripts/theme-shots.sh [BUILD]   (default: build)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-$root/build}" && pwd)"
shots="$build/shots"
mkdir -p "$shots"
source "$root/tests/x11/xvfb_session.sh"
start_session

# The built-in set: the program and its modules copied where no theme folder is found.
bare="$session/bare"
mkdir -p "$bare"
cp "$build/pictorbcmd" "$build"/pictorb-*.so "$bare/"

shoot() {  # NAME PROGRAM THEME
    mkdir -p "$XDG_CONFIG_HOME/Corvalen/pictorb"
    printf '\xef\xbb\xbf\r\n[Interface]\r\nUI Theme = %s\r\nUI Size = 1\r\n' "$3" \
        > "$XDG_CONFIG_HOME/Corvalen/pictorb/config.ini"
    "$2" & local pid=$!
    local window
    window=$(wait_window "Corvalen Pictorb 2.2" 20)
    sleep 0.5
    import -window "$window" "$shots/main-$1.png"
    kill "$pid"; wait "$pid" 2>/dev/null || true
    echo "$shots/main-$1.png"
}
shoot builtin "$bare/pictorbcmd" none
for zip in "$build"/gfx/*.zip; do
    base=$(basename "$zip" .zip)
    shoot "$base" "$build/pictorbcmd" "$base"
done
