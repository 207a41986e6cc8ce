#!/usr/bin/env bash
# Prints the rain's frame period of each given TheOrvane.scr under Wine. Every rain frame ends in
# one Sleep of what is left of its 40 ms, so Wine's relay trace of kernel32.Sleep, with time
# stamps, times the frames: the show on one 640 x 480 monitor (title and intro off), SETTLE_S
# seconds skipped (the opening), then SECONDS of rain. Wine's time stamps step like its tick
# count, so single intervals are coarse; the mean over some hundred frames is not. Also how
# many frames slept less than 40 - 1 ms: a tick count that steps by more than 1 ms makes a
# frame's work look 0 or a whole step long.
# Not a test: a measurement to compare builds (Windows' default 15.6 ms timer steps, which make
# a 40 ms frame take about 47 ms, cannot be seen under Wine, whose Sleep is exact).
# Usage: measure_wine_frames.sh WINE WINEPREFIX X_PROBE WIN_PROBE SECONDS SCR...
set -u
here=$(cd "$(dirname "$0")" && pwd)
. "$here/xvfb_session.sh"
. "$here/wine_session.sh"
wine=$1 prefix=$2 x_probe=$3 probe=$4 seconds=$5
shift 5
SETTLE_S=3
start_wine_heads "$1" "$wine" "$prefix" "$x_probe" "$probe" "640 480 0 0"
printf '[Settings]\nShowTitle=0\nShowIntro=0\n' >"$WORK/TheOrvane.ini"
debug_key='HKCU\Software\Wine\Debug'
"$WINE" reg add "$debug_key" /v RelayInclude /d 'kernel32.Sleep;kernelbase.Sleep' /f >/dev/null 2>&1
for scr in "$@"; do
    cp "$scr" "$WORK/TheOrvane.scr"
    (cd "$WORK" && WINEDEBUG=+timestamp,+relay exec "$WINE" "$WORK/TheOrvane.scr" /s) \
        2>"$WORK/relay.log" >/dev/null &
    SAVER_PID=$!
    sleep $((SETTLE_S + seconds + 1))
    stop_saver
    # "1749.078:0024:Call KERNEL32.Sleep(00000028) ret=...": seconds, then the argument in hex.
    awk -v settle="$SETTLE_S" -v span="$seconds" -v name="$scr" '
        /:Call KERNEL32\.Sleep\(/ {
            split($0, f, ":"); t = f[1] + 0
            if (start == "") start = t
            if (t < start + settle || t > start + settle + span) next
            arg = $0; sub(/.*Sleep\(/, "", arg); sub(/\).*/, "", arg); ms = hex(arg)
            if (ms < 2) next                 # the pumps of other phases, not a frame
            if (first == "") first = t
            last = t; n++
            if (ms < 39) short++
        }
        function hex(h,   i, c, v) {
            v = 0; h = tolower(h)
            for (i = 1; i <= length(h); i++) { c = index("0123456789abcdef", substr(h, i, 1)) - 1; v = v * 16 + c }
            return v
        }
        END {
            if (n < 2) { printf "%s: no frames seen\n", name; exit }
            printf "%s: %d frames, mean period %.2f ms, %d of them (%.0f%%) slept less than 39 ms\n",
                name, n - 1, 1000 * (last - first) / (n - 1), short, 100 * short / n
        }' "$WORK/relay.log"
done
"$WINE" reg delete "$debug_key" /v RelayInclude /f >/dev/null 2>&1
