#!/usr/bin/env bash
# With no session bus running and libdbus able to start one (dbus-x11's dbus-launch installed),
# the show and the configuration mode must leave nothing behind: no dbus-launch or dbus-daemon
# started for this X server, and no window on it (dbus-launch keeps one of its own there).
# Usage: no_session_bus_e2e.sh PATH_TO_THEORVANE
set -u
here=$(cd "$(dirname "$0")" && pwd)
. "$here/xvfb_session.sh"
require_tools dbus-launch xwininfo

ABOUT_TITLE="About The Orvane Screen Saver"
END_WITHIN_MS=5000
SETTLE_MS=1000
SHOW_WINDOWS=(Win0)

unset DBUS_SESSION_BUS_ADDRESS
start_session "$1" 1280x720

# Bus processes started for this X server (their environment names its display).
bus_processes() {
    local pid
    for pid in $(pgrep -x dbus-launch; pgrep -x dbus-daemon); do
        { tr '\0' '\n' <"/proc/$pid/environ"; } 2>/dev/null | grep -qx "DISPLAY=$DISPLAY" && echo "$pid"
    done
}
# Ends what a failed case left, so that the next case starts clean.
end_bus_processes() {
    local pids _
    pids=$(bus_processes)
    [ -z "$pids" ] && return
    # shellcheck disable=SC2086
    kill $pids 2>/dev/null
    wait_until 2500 none bus_processes && return
    # shellcheck disable=SC2086
    kill -KILL $pids 2>/dev/null
}
trap 'end_bus_processes; cleanup' EXIT

# expect_nothing_left CASE: no bus process for the display, no window on the root window, half
# a second on (the wait is the check: a bus is started late).
expect_nothing_left() {
    sleep 0.5
    local pids children
    pids=$(bus_processes)
    [ -z "$pids" ] && pass "$1: no session bus process left" \
        || fail "$1: bus processes left: $(ps -o pid=,args= -p "$(tr '\n' ',' <<<"$pids" | sed 's/,$//')")"
    children=$(root_children)
    [ "$children" = 0 ] && pass "$1: the root window has no children" \
        || fail "$1: the root window still has '$children' children"
    end_bus_processes
}

# 1. The show, ended by a key.
if open_show "the show"; then
    xdotool key a
    INPUT_MS=$(now_ms)
    expect_end "the show" "$END_WITHIN_MS"
fi
expect_nothing_left "after the show"

# 2. The configuration mode: the About box, closed with Escape.
start_saver /c
if about=$(wait_for_window "$ABOUT_TITLE"); then
    xdotool windowactivate --sync "$about" 2>/dev/null || xdotool windowfocus --sync "$about"
    xdotool key Escape
    INPUT_MS=$(now_ms)
    expect_end "the About box" "$END_WITHIN_MS"
else
    fail "the configuration mode: no window '$ABOUT_TITLE'"; stop_saver
fi
expect_nothing_left "after the configuration mode"

# 3. A session bus that runs is still used: the show connects to a private one.
if command -v dbus-daemon >/dev/null && command -v dbus-monitor >/dev/null; then
    bus=$(env -u DISPLAY dbus-daemon --session --fork --nopidfile --print-address=1 --print-pid=1 \
        --address="unix:path=$WORK/bus")
    bus_address=$(sed -n 1p <<<"$bus") bus_pid=$(sed -n 2p <<<"$bus")
    trap 'kill "$bus_pid" "${MONITOR_PID:-}" 2>/dev/null; end_bus_processes; cleanup' EXIT
    dbus-monitor --address "$bus_address" >"$WORK/monitor.log" 2>&1 &
    MONITOR_PID=$!
    # It watches once it has given up its own name.
    wait_until 5000 grep -q "member=NameLost" "$WORK/monitor.log" || fail "dbus-monitor did not start"
    export DBUS_SESSION_BUS_ADDRESS=$bus_address
    if open_show "the show on a session bus"; then
        xdotool key a
        INPUT_MS=$(now_ms)
        expect_end "the show on a session bus" "$END_WITHIN_MS"
    fi
    unset DBUS_SESSION_BUS_ADDRESS
    wait_until 300 grep -q "member=Hello" "$WORK/monitor.log"
    kill "$MONITOR_PID" 2>/dev/null; wait "$MONITOR_PID" 2>/dev/null
    grep -q "member=Hello" "$WORK/monitor.log" && pass "the show connected to the running session bus" \
        || fail "the show did not connect to the running session bus"
    kill "$bus_pid" 2>/dev/null
    expect_nothing_left "after the show on a session bus"
fi
finish
