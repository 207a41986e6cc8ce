#!/usr/bin/env bash
# The idle watcher in a session with no idle source it can read (or a build without them): one
# line on stderr naming what is missing for each source, nothing on stdout, exit code 2. The
# same in every build: a source left out of it is named as "built without".
# Usage: idle_no_source_e2e.sh PATH_TO_THEORVANE
set -u
binary=$1
source "$(dirname "$0")/e2e_lib.sh"
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
# Nothing to reach: a runtime folder of the test's own, buses and displays that do not exist.
export XDG_RUNTIME_DIR=$WORK DBUS_SESSION_BUS_ADDRESS=unix:path=$WORK/no-bus
export DBUS_SYSTEM_BUS_ADDRESS=unix:path=$WORK/no-bus

# check NAME WAYLAND_DISPLAY DISPLAY (empty: unset)
check() {
    local name=$1 code lines
    (
        unset WAYLAND_DISPLAY DISPLAY
        [ -n "$2" ] && export WAYLAND_DISPLAY=$2
        [ -n "$3" ] && export DISPLAY=$3
        exec timeout 10 "$binary" --idle 5 >"$WORK/out" 2>"$WORK/err"
    )
    code=$?
    lines=$(wc -l <"$WORK/err")
    local err
    err=$(cat "$WORK/err")
    if [ "$code" = 2 ] && [ "$lines" = 1 ] && [ ! -s "$WORK/out" ] &&
        [[ $err == "theorvane: no idle time to watch here: "* ]] &&
        [[ $err == *Wayland* ]] && [[ $err == *"session bus"* || $err == *mutter* ]] &&
        [[ $err == *X11* || $err == *"X display"* ]]; then
        pass "$name: $err"
    else
        fail "$name: exit code $code, $lines lines on stderr: '$err', stdout: '$(cat "$WORK/out")'"
    fi
}
check "no compositor, bus or display" "" ""
check "a compositor and a display that cannot be reached" orvane-none-here :99999
finish
