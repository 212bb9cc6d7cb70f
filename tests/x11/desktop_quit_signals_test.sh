#!/usr/bin/env bash
# Logout (SIGHUP), kill (SIGTERM) and Ctrl+C (SIGINT) close the window as Exit does: exit code
# 0 and config.ini written with the window's geometry.
set -u
program=$(realpath "$1")
source "$(dirname "$0")/xvfb_session.sh"
start_session
fail() { echo "FAIL: $*"; exit 1; }

# Job control: without it a script starts background programs with SIGINT ignored.
set -m
for signal in TERM INT HUP; do
    rm -rf "$XDG_CONFIG_HOME/Corvalen"
    "$program" & pid=$!
    window=$(wait_window "Corvalen Pictorb 2.2" 30)
    [ -n "$window" ] || { kill -9 "$pid"; fail "SIG$signal: no main window"; }
    kill -s "$signal" "$pid"
    for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -0 "$pid" 2>/dev/null && { kill -9 "$pid"; fail "SIG$signal did not end the program"; }
    wait "$pid"
    code=$?
    [ "$code" -eq 0 ] || fail "SIG$signal: exit code $code"
    config="$XDG_CONFIG_HOME/Corvalen/pictorb/config.ini"
    grep -q "^Width = 510"$'\r'"\$" "$config" 2>/dev/null || fail "SIG$signal: settings not saved"
done
echo "PASS: SIGTERM, SIGINT and SIGHUP end with 0 and save the settings"
