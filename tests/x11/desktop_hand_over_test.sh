#!/usr/bin/env bash
# A second desktop start hands its file to the open window and ends with code 0, saying on
# standard error only what the window did: took it (F5 then converts it next to the input),
# refused it with the reason, or keeps it while a dialog holds the window and takes it once
# the dialog is closed. A start without files hands over as well.
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

# A file the window cannot use is refused with the command line's reason.
convert -size 2x2 xc:red "$session/pictures/red.png"
"$program" "$session/pictures/red.png" 2> "$session/err.txt"
code=$?
[ "$code" -eq 0 ] || fail "refused start: exit code $code"
grep -q "cannot use $session/pictures/red.png: not a bitmap" "$session/err.txt" ||
    fail "refused start said: $(cat "$session/err.txt")"

# While the progress dialog holds the window, a handed-over file waits, and the second start
# says so; once the dialog is closed the window takes it, and Convert converts it.
cp "$session/pictures/photo.bmp" "$session/pictures/second.bmp"
"$program" "$session/pictures/second.bmp" 2> "$session/err.txt" || fail "hand-over during the dialog"
grep -q "takes the file when it is closed" "$session/err.txt" ||
    fail "hand-over during the dialog said: $(cat "$session/err.txt")"
dialog=$(wait_window "Conversion complete \\(1/1\\)" 10)
[ -n "$dialog" ] || fail "no progress dialog"
rm "$session/pictures/photo.psd"
xdotool windowfocus --sync "$dialog" key Return
for _ in $(seq 50); do xdotool search --onlyvisible --name "^Conversion complete" > /dev/null || break; sleep 0.1; done
xdotool windowfocus --sync "$window" key --clearmodifiers F5
for _ in $(seq 100); do [ -f "$session/pictures/second.psd" ] && break; sleep 0.1; done
[ -f "$session/pictures/second.psd" ] || fail "the file handed over during the dialog was not taken"
[ ! -e "$session/pictures/photo.psd" ] || fail "Convert after the dialog converted the first file"

# The progress dialog is still open: SIGTERM ends the window through its normal exit.
kill -TERM "$first"
for _ in $(seq 100); do kill -0 "$first" 2>/dev/null || break; sleep 0.1; done
kill -0 "$first" 2>/dev/null && fail "SIGTERM did not end the window"
wait "$first"
code=$?
[ "$code" -eq 0 ] || fail "the window ended with $code"
echo "PASS: hand-over taken, refused and kept behind a dialog"
