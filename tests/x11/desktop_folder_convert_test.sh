#!/usr/bin/env bash
# A folder typed into the input field and converted with F5 on a real display: every bitmap of
# the folder gets its document, byte for byte the one the command line writes.
set -u
program=$(realpath "$1")
source "$(dirname "$0")/xvfb_session.sh"
start_session
fail() { echo "FAIL: $*"; exit 1; }

pictures="$session/pictures"
mkdir -p "$pictures" "$session/desktop" "$session/cli"
for name in red:one green:two blue:three; do
    convert -size 40x30 "xc:${name%%:*}" "BMP3:$pictures/${name##*:}.bmp" || fail "no test bitmap"
done

"$program" & window_pid=$!
trap 'kill -9 "$window_pid" 2>/dev/null; kill "$xvfb_pid" 2>/dev/null; rm -rf "$session"' EXIT
window=$(wait_window "Corvalen Pictorb 2.2" 30)
[ -n "$window" ] || fail "no main window"

# The input field has the focus after the start; Alt+O moves to the output folder field.
xdotool windowfocus --sync "$window"
xdotool type --delay 5 "$pictures"
xdotool key --clearmodifiers alt+o
xdotool type --delay 5 "$session/desktop"
xdotool key --clearmodifiers F5
dialog=$(wait_window "Conversion complete \\(3/3\\)" 30)
[ -n "$dialog" ] || fail "no finished dialog"
xdotool windowfocus --sync "$dialog" key Return

"$program" -q -i "$pictures" -o "$session/cli" > /dev/null || fail "command line run"
for name in one two three; do
    [ -f "$session/desktop/$name.psd" ] || fail "$name.psd not written by the window"
    cmp -s "$session/desktop/$name.psd" "$session/cli/$name.psd" ||
        fail "$name.psd differs from the command line's"
done
[ "$(ls "$session/desktop" | wc -l)" -eq 3 ] || fail "other files written: $(ls "$session/desktop")"

xdotool windowfocus --sync "$window" key --clearmodifiers alt+x
for _ in $(seq 100); do kill -0 "$window_pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$window_pid" 2>/dev/null && fail "Alt+X did not end the window"
echo "PASS: a typed folder converted as the command line converts it"
