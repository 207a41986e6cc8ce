# Shared by the Wayland scripts: a private headless sway with two outputs of different sizes
# (HEADLESS-1 1280x720 at 0,0 and HEADLESS-2 1024x768 at 1280,0, or SWAY_OUTPUTS), a blue
# desktop with a docked bar in magenta on the first, and a copy of the program with a settings file beside it.
# sway refuses to run as root: as root it runs as nobody, in a runtime folder of nobody's.
# Source it; it defines start_sway, ppm_stats and the helpers.
. "$(dirname "${BASH_SOURCE[0]}")/../e2e_lib.sh"

require_sway_tools() { require sway swaymsg swaybg setpriv "$@"; }

SWAY_OUTPUTS=${SWAY_OUTPUTS:-"HEADLESS-1 mode 1280x720 position 0 0|HEADLESS-2 mode 1024x768 position 1280 0"}

# start_sway BINARY: WORK holds the program; WAYLAND_DISPLAY, XDG_RUNTIME_DIR and SWAYSOCK are
# exported for the clients.
start_sway() {
    WORK=$(mktemp -d)
    chmod 755 "$WORK"
    trap cleanup_sway EXIT
    cp "$1" "$WORK/theorvane"
    chmod 755 "$WORK/theorvane"
    printf '[Settings]\nShowTitle=0\nShowIntro=0\n' >"$WORK/TheOrvane.ini"
    mkdir "$WORK/run"
    local as=()
    if [ "$(id -u)" -eq 0 ]; then
        chown nobody:nogroup "$WORK/run"
        as=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
    fi
    chmod 700 "$WORK/run"
    {
        echo "xwayland disable"
        echo "seat seat0 fallback true"
        echo "output * bg #0000ff solid_color"
        local output
        IFS='|' read -r -a outputs <<<"$SWAY_OUTPUTS"
        for output in "${outputs[@]}"; do echo "output $output"; done
        echo "bar {"
        echo "    output HEADLESS-1"
        echo "    position top"
        echo "    status_command echo docked bar"
        echo "    colors {"
        echo "        background #ff00ff"
        echo "        statusline #ff00ff"
        echo "    }"
        echo "}"
    } >"$WORK/config"
    chmod 644 "$WORK/config"
    local count
    count=$(awk -F'|' '{print NF}' <<<"$SWAY_OUTPUTS")
    # A session of its own: the bar and the background go with it at the end.
    setsid env -i PATH="$PATH" HOME="$WORK" XDG_RUNTIME_DIR="$WORK/run" WLR_BACKENDS=headless \
        WLR_RENDERER=pixman WLR_LIBINPUT_NO_DEVICES=1 WLR_HEADLESS_OUTPUTS="$count" \
        "${as[@]}" sway -c "$WORK/config" >"$WORK/sway.log" 2>&1 &
    SWAY_PID=$!
    export XDG_RUNTIME_DIR="$WORK/run"
    # Both sockets, unless sway ends first.
    POLL_S=0.05 wait_until 5000 eval 'SWAYSOCK=$(ls "$WORK"/run/sway-ipc.*.sock 2>/dev/null | head -n1)
        { [ -n "$SWAYSOCK" ] && [ -S "$WORK/run/wayland-1" ]; } || gone "$SWAY_PID"'
    if [ -z "$SWAYSOCK" ]; then
        echo "FAIL: sway did not start"; cat "$WORK/sway.log"; exit 1
    fi
    export SWAYSOCK WAYLAND_DISPLAY=wayland-1
    unset DISPLAY
    # The outputs as configured.
    POLL_S=0.05 wait_until 5000 eval "swaymsg -t get_outputs 2>/dev/null | grep -q '\"x\": 1280'"
    # The tests read the screen with grim, which shares memory with sway: without /dev/shm (a
    # chroot that lacks it) every copy fails ("failed to copy output") and nothing can be seen.
    if command -v grim >/dev/null 2>&1 \
        && ! POLL_S=0.1 wait_until 2000 grim -t ppm -o HEADLESS-1 "$WORK/probe.ppm" 2>/dev/null; then
        skip "grim cannot copy the headless outputs of $(sway --version 2>/dev/null)" \
            "(is /dev/shm mounted?)"
    fi
}

cleanup_sway() {
    [ -n "${SAVER_PID:-}" ] && kill "$SAVER_PID" 2>/dev/null
    if [ -n "${SWAY_PID:-}" ]; then
        kill "$SWAY_PID" 2>/dev/null
        wait "$SWAY_PID" 2>/dev/null
        # A bar left behind by its compositor spins on the lost connection, deaf to SIGTERM.
        pkill -KILL -s "$SWAY_PID" 2>/dev/null
    fi
    wait 2>/dev/null
    rm -rf "$WORK"
}

# ppm_stats FILE: "WIDTH HEIGHT GREEN MAGENTA BLUE" (PPM_STATS names the program).
ppm_stats() { "$PPM_STATS" "$1"; }
