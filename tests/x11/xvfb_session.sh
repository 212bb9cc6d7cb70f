# Sourced by the real-display tests and scripts: starts a private Xvfb display and an
# isolated home for the program, both removed when the sourcing script exits.
#   start_session  -> exports DISPLAY, HOME, XDG_CONFIG_HOME, XDG_RUNTIME_DIR; sets $session
#   wait_window TITLE SECONDS -> prints the id of the first visible window with that title
start_session() {
    session=$(mktemp -d)
    mkdir -p "$session/config" "$session/run"
    chmod 700 "$session/run"
    # -noreset: a server left by its last client resets itself, and a client that connects in
    # that moment (the program right after the readiness probe below) is dropped.
    exec 3< <(exec Xvfb -displayfd 1 -screen 0 1280x1024x24 -nolisten tcp -noreset \
                  2> "$session/xvfb.log")
    xvfb_pid=$!
    trap 'kill "$xvfb_pid" 2>/dev/null; rm -rf "$session"' EXIT
    local display=""
    read -r -t 30 display <&3
    [ -n "$display" ] || { echo "Xvfb did not start:" >&2; cat "$session/xvfb.log" >&2; exit 1; }
    export DISPLAY=":$display" HOME="$session" XDG_CONFIG_HOME="$session/config"
    export XDG_RUNTIME_DIR="$session/run"
    unset WAYLAND_DISPLAY QT_QPA_PLATFORM
    # The server answers before the first client starts.
    for _ in $(seq 500); do xdotool getdisplaygeometry > /dev/null 2>&1 && return; sleep 0.01; done
    echo "Xvfb on $DISPLAY does not answer:" >&2
    cat "$session/xvfb.log" >&2
    exit 1
}

wait_window() {
    local title=$1 deadline=$(( $(date +%s) + $2 )) id=""
    while [ -z "$id" ] && [ "$(date +%s)" -le "$deadline" ]; do
        id=$(xdotool search --onlyvisible --name "^$title\$" 2>/dev/null | head -n 1)
        [ -n "$id" ] || sleep 0.003
    done
    echo "$id"
}
