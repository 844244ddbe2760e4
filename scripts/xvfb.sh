# Sourced by scripts/run and scripts/bench. start_xvfb starts a virtual X server on a free display
# number, exports DISPLAY and sets xvfb_pid; the caller stops it.
start_xvfb() {
    local number
    number=$(mktemp)
    # Xvfb writes the display number it took once it accepts clients.
    Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$number" >/dev/null 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 100); do [ -s "$number" ] && break; sleep 0.1; done
    DISPLAY=":$(tr -d '\n' <"$number")"
    rm -f "$number"
    if [ "$DISPLAY" = ":" ]; then
        echo "Xvfb did not start" >&2
        return 1
    fi
    export DISPLAY
}
