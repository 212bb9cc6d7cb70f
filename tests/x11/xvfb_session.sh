# Sourced by the real-display tests and scripts: starts a private Xvfb display and an
# isolated home for the program, both removed when the sourcing script exits.
#   start_session  -> exports DISPLAY, HOME, XDG_CONFIG_HOME, XDG_RUNTIME_DIR; sets $session
#   wait_window TITLE SECONDS -> prints the id of the first visible window with that title
start_session() {
    session=$(mktemp -d)
    mkdir -p "$session/config" "$session/run"
    chmod 700 "$session/run"
    exec 3< <(Xvfb -displayfd 1 -screen 0 1280x1024x24 -nolisten tcp 2>/dev/null & echo "pid $!")
    read -r _ xvfb_pid <&3
    read -r display <&3
    export DISPLAY=":$display" HOME="$session" XDG_CONFIG_HOME="$session/config"
    export XDG_RUNTIME_DIR="$session/run"
    unset WAYLAND_DISPLAY QT_QPA_PLATFORM
    trap 'kill "$xvfb_pid" 2>/dev/null; rm -rf "$session"' EXIT
    # The server answers before the first client starts.
    for _ in $(seq 500); do xdotool getdisplaygeometry > /dev/null 2>&1 && break; sleep 0.01; done
}

wait_window() {
    local title=$1 deadline=$(( $(date +%s) + $2 )) id=""
    while [ -z "$id" ] && [ "$(date +%s)" -le "$deadline" ]; do
        id=$(xdotool search --onlyvisible --name "^$title\$" 2>/dev/null | head -n 1)
        [ -n "$id" ] || sleep 0.003
    done
    echo "$id"
}
