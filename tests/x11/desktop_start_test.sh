#!/usr/bin/env bash
# The program started without parameters on a real X display: the window appears with its
# title, a 510 x 260 client and the desktop entry's window class, Alt+X ends the program with
# exit code 0, and config.ini then holds the window's geometry.
set -u
program=$1
source "$(dirname "$0")/xvfb_session.sh"
start_session
fail() { echo "FAIL: $*"; exit 1; }

"$program" & pid=$!
window=$(wait_window "Corvalen Pictorb 2.2" 30)
[ -n "$window" ] || { kill "$pid"; fail "no main window"; }
geometry=$(xdotool getwindowgeometry "$window" | sed -n 's/.*Geometry: //p')
[ "$geometry" = "510x260" ] || { kill "$pid"; fail "client size $geometry"; }
# Docks group the window with its launcher by the desktop entry's StartupWMClass.
wm_class=$(sed -n 's/^StartupWMClass=//p' "$(dirname "$0")/../../data/pictorb.desktop")
[ -n "$wm_class" ] && xdotool search --class "^$wm_class\$" | grep -qx "$window" ||
    { kill "$pid"; fail "window class is not the desktop entry's StartupWMClass '$wm_class'"; }

xdotool windowfocus --sync "$window" key --clearmodifiers alt+x
for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$pid" 2>/dev/null && { kill "$pid"; fail "Alt+X did not end the program"; }
wait "$pid"
code=$?
[ "$code" -eq 0 ] || fail "exit code $code"

config="$XDG_CONFIG_HOME/Corvalen/pictorb/config.ini"
[ -f "$config" ] || fail "no config.ini"
for line in "Width = 510" "Height = 260" "IsMaximized = 0" "X = 385" "Y = 382"; do
    grep -q "^$line"$'\r'"\$" "$config" || fail "config.ini lacks '$line'"
done
echo "PASS: window 510x260, Alt+X, exit 0, geometry saved"
