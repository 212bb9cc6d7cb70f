#!/usr/bin/env bash
# A second desktop start hands its file to the open window and ends with code 0, saying so on
# standard error only; the window takes the file (F5 then converts it next to the input). A
# start without files hands over as well; while a dialog holds the window, no file is taken.
set -u
program=$(realpath "$1")
source "$(dirname "$0")/xvfb_session.sh"
start_session
fail() { echo "FAIL: $*"; exit 1; }

mkdir -p "$session/pictures"
convert -size 6x4 xc:red "BMP3:$session/pictures/photo.bmp" || fail "no test bitmap"

"$program" & first=$!
trap 'kill -9 "$first" 2>/dev/null; kill "$xvfb_pid" 2>/dev/null; rm -rf "$session"' EXIT
window=$(wait_window "Corvalen Pictorb 2.2" 30)
[ -n "$window" ] || fail "no main window"

# Relative to the second start's own folder, as "Open With" or a terminal gives it.
(cd "$session/pictures" && "$program" photo.bmp > "$session/out.txt" 2> "$session/err.txt")
code=$?
[ "$code" -eq 0 ] || fail "second start: exit code $code"
[ ! -s "$session/out.txt" ] || fail "second start wrote to standard output"
[ "$(wc -l < "$session/err.txt")" -eq 1 ] || fail "second start said: $(cat "$session/err.txt")"
grep -q "handed over" "$session/err.txt" || fail "second start said: $(cat "$session/err.txt")"
kill -0 "$first" 2>/dev/null || fail "the first window ended"

xdotool windowfocus --sync "$window" key --clearmodifiers F5
for _ in $(seq 100); do [ -f "$session/pictures/photo.psd" ] && break; sleep 0.1; done
[ -f "$session/pictures/photo.psd" ] || fail "the handed-over file was not converted"

"$program" 2> "$session/err.txt"
code=$?
[ "$code" -eq 0 ] && grep -q "handed over" "$session/err.txt" || fail "start without files: $code"

# While the progress dialog holds the window, a handed-over file is not taken, as a drop
# would not be: Convert after the dialog converts the first file again, not this one.
cp "$session/pictures/photo.bmp" "$session/pictures/second.bmp"
"$program" "$session/pictures/second.bmp" 2> /dev/null || fail "hand-over during the dialog"
dialog=$(wait_window "Conversion complete \\(1/1\\)" 10)
[ -n "$dialog" ] || fail "no progress dialog"
rm "$session/pictures/photo.psd"
xdotool windowfocus --sync "$dialog" key Return
for _ in $(seq 50); do xdotool search --onlyvisible --name "^Conversion complete" > /dev/null || break; sleep 0.1; done
xdotool windowfocus --sync "$window" key --clearmodifiers F5
for _ in $(seq 100); do [ -f "$session/pictures/photo.psd" ] && break; sleep 0.1; done
[ -f "$session/pictures/photo.psd" ] || fail "Convert after the dialog did not convert the first file"
[ ! -e "$session/pictures/second.psd" ] || fail "the file handed over during the dialog was taken"

# The progress dialog is still open: SIGTERM ends the window through its normal exit.
kill -TERM "$first"
for _ in $(seq 100); do kill -0 "$first" 2>/dev/null || break; sleep 0.1; done
kill -0 "$first" 2>/dev/null && fail "SIGTERM did not end the window"
wait "$first"
code=$?
[ "$code" -eq 0 ] || fail "the window ended with $code"
echo "PASS: hand-over with and without a file"
