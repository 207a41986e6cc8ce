#!/usr/bin/env bash
# How fast the show ends on a busy machine: the real program on a 1920 x 1080 Xvfb, four busy
# loops started 5 s before the input, then one key press (or one pointer move of 20 px). For
# each, the time from the moment the input was issued (just before xdotool runs) until the first window
# was off the screen and until the process had exited; five tries each, medians printed.
# Usage: bench/stop_latency.sh BUILD_DIR   (prints "ROW|label|value|unit|target" lines)
set -u
build=$1
here=$(cd "$(dirname "$0")/.." && pwd)
. "$here/tests/e2e/xvfb_session.sh"
require_tools
probe="$build/tests/e2e/x_probe"
[ -x "$probe" ] || { echo "ROW|stop under load (x_probe missing)|nan||"; exit 0; }
start_session "$build/src/theorvane" 1920x1080

TRIES=5
LOOPS=4

median() { sort -n | awk '{v[NR] = $1} END {print (NR ? v[int((NR + 1) / 2)] : "nan")}'; }

for input in "key a" "mousemove 620 400"; do
    gone_ms=(); exit_ms=()
    for _ in $(seq "$TRIES"); do
        xdotool mousemove 600 400
        start_saver /s
        win=$(wait_for_window Win0) || { stop_saver; continue; }
        sleep 1
        start_busy "$LOOPS"
        sleep 5
        "$probe" wait-gone "$win" 20000 >"$WORK/gone" &
        probe_pid=$!
        sleep 0.5
        sent=$(now_ms)
        # shellcheck disable=SC2086
        xdotool $input
        ( sleep 20; kill -9 "$SAVER_PID" 2>/dev/null ) &
        guard=$!
        wait "$SAVER_PID"
        ended=$(now_ms)
        SAVER_PID=
        kill "$guard" 2>/dev/null
        wait "$probe_pid"
        stop_busy
        gone=$(cat "$WORK/gone")
        [ -n "$gone" ] && gone_ms+=($((gone - sent)))
        exit_ms+=($((ended - sent)))
    done
    label=${input%% *}
    [ "$label" = mousemove ] && label="pointer move"
    echo "ROW|$label, $LOOPS busy loops on $(nproc) cores: windows off screen|$(printf '%s\n' "${gone_ms[@]}" | median)|ms (median)|400"
    echo "ROW|$label, $LOOPS busy loops on $(nproc) cores: process ended|$(printf '%s\n' "${exit_ms[@]}" | median)|ms (median)|400"
    echo "      tries ($label): off screen ${gone_ms[*]} ms, ended ${exit_ms[*]} ms" >&2
done
