#!/usr/bin/env bash
# Times the desktop start: from exec to the main window mapped on a private Xvfb display,
# polled every few milliseconds. Prints each run and the median.
# Usage: scripts/desktop-start.sh PROGRAM [RUNS]   (RUNS default 21)
set -u
program=$1
runs=${2:-21}
source "$(dirname "$0")/../tests/x11/xvfb_session.sh"
start_session

times=()
for _ in $(seq "$runs"); do
    begin=$(date +%s%N)
    "$program" & pid=$!
    window=$(wait_window "Corvalen Pictorb 2.2" 20)
    end=$(date +%s%N)
    kill -9 "$pid" 2>/dev/null; wait "$pid" 2>/dev/null
    [ -n "$window" ] || { echo "no window"; exit 1; }
    times+=($(( (end - begin) / 1000000 )))
done
sorted=($(printf '%s\n' "${times[@]}" | sort -n))
echo "desktop start, exec to window mapped (ms): ${times[*]}"
echo "median ${sorted[$(( runs / 2 ))]} ms, min ${sorted[0]} ms, max ${sorted[$(( runs - 1 ))]} ms over $runs runs"
