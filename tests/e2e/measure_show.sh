#!/usr/bin/env bash
# Prints figures of the show on one 1920 x 1080 monitor under Xvfb: time from the start to the
# window shown, peak resident memory, the cost of presenting frames (present_timing), and saves
# a screenshot. Usage: measure_show.sh PATH_TO_THEORVANE [PATH_TO_PRESENT_TIMING] [SHOT.png]
set -u
here=$(cd "$(dirname "$0")" && pwd)
. "$here/xvfb_session.sh"
require_tools

start_session "$1" 1920x1080
timing=${2:-}
shot=${3:-/tmp/theorvane-shot.png}

for run in 1 2 3; do
    start_saver /s
    wait_for_window Win0 >/dev/null || { echo "no window"; exit 1; }
    echo "run $run: window Win0 visible $(( $(now_ms) - STARTED_MS )) ms after the start"
    sleep 3
    grep -E '^(VmHWM|VmRSS)' "/proc/$SAVER_PID/status" | sed 's/^/       /'
    if [ "$run" -eq 1 ] && command -v import >/dev/null; then
        import -window root "$shot" && echo "       screenshot: $shot"
    fi
    stop_saver
done

if [ -n "$timing" ]; then
    "$timing"
fi
