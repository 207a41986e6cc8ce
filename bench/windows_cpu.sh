#!/usr/bin/env bash
# The Windows program under Wine beside the Linux program, in the same run: each on a private
# 1920 x 1080 Xvfb, intro and title off, 10 s of warm-up, then 20 s of rain; the processor time
# of the program, the X server and (for Wine) the wineserver, in percent of one core, and their
# ratio. Wine is not Windows: the figure checks that nothing is wasted per frame. Also how fast
# a key ends the Windows show with four busy loops on the machine (median of three).
# Usage: bench/windows_cpu.sh LINUX_BUILD WINDOWS_BUILD   (prints "ROW|label|value|unit|target")
set -u
build=$(cd "$1" && pwd) wbuild=$(cd "$2" && pwd)
here=$(cd "$(dirname "$0")/.." && pwd)
. "$here/tests/e2e/xvfb_session.sh"
require_tools
wine=${ORVANE_WINE:-/usr/lib/wine/wine64}
probe="$build/tests/e2e/x_probe"
[ -x "$wine" ] && [ -f "$wbuild/TheOrvane.scr" ] || { echo "no Wine or no $wbuild/TheOrvane.scr" >&2; exit 0; }
WARM_S=${ORVANE_BENCH_WARM_S:-10}
MEASURE_S=${ORVANE_BENCH_MEASURE_S:-20}
hz=$(getconf CLK_TCK)
export WINEPREFIX="$wbuild/wine-prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
bash "$here/tools/wine-prefix.sh" "$WINEPREFIX"

ticks_of() { awk '{print $14 + $15}' "/proc/$1/stat" 2>/dev/null || echo 0; }
percent() { awk "BEGIN {printf \"%.2f\", 100 * ($2 - $1) * 1000 / $hz / $3}"; }

# measure KIND: prints "program server wineserver" in percent of a core.
measure() {
    local kind=$1
    start_session "$build/src/theorvane" 1920x1080
    if [ "$kind" = windows ]; then
        cp "$wbuild/TheOrvane.scr" "$WORK/TheOrvane.scr"
        "$wine" "$WORK/TheOrvane.scr" /s >"$WORK/saver.out" 2>&1 &
    else
        "$WORK/theorvane" /s >"$WORK/saver.out" 2>&1 &
    fi
    SAVER_PID=$!
    sleep "$WARM_S"
    local server_pid
    server_pid=$(pgrep -n -x wineserver || pgrep -n wineserver64 || echo 0)
    local p0 x0 w0 t0 p1 x1 w1 t1
    p0=$(ticks_of "$SAVER_PID"); x0=$(ticks_of "$XVFB_PID"); w0=$(ticks_of "$server_pid"); t0=$(now_ms)
    sleep "$MEASURE_S"
    p1=$(ticks_of "$SAVER_PID"); x1=$(ticks_of "$XVFB_PID"); w1=$(ticks_of "$server_pid"); t1=$(now_ms)
    kill -0 "$SAVER_PID" 2>/dev/null || { echo "the $kind program ended early:" >&2; cat "$WORK/saver.out" >&2; }
    local wall=$((t1 - t0)) wineserver="0.00"
    [ "$kind" = windows ] && wineserver=$(percent "$w0" "$w1" "$wall")
    echo "$(percent "$p0" "$p1" "$wall") $(percent "$x0" "$x1" "$wall") $wineserver"
    stop_saver
    cleanup
    trap - EXIT
}

read -r lp lx _ <<<"$(measure linux)"
read -r wp wx ws <<<"$(measure windows)"
linux=$(awk "BEGIN {printf \"%.2f\", $lp + $lx}")
windows=$(awk "BEGIN {printf \"%.2f\", $wp + $wx + $ws}")
echo "ROW|rain 1920x1080, Linux: program + X server ($lp + $lx)|$linux|% of a core|"
echo "ROW|rain 1920x1080, Windows under Wine: program + X + wineserver ($wp + $wx + $ws)|$windows|% of a core|"
echo "ROW|rain 1920x1080, Windows under Wine / Linux|$(awk "BEGIN {printf \"%.2f\", $windows / $linux}")|times|2"

# A key under load: four busy loops at normal priority on the two cores.
if [ -x "$probe" ]; then
    start_session "$build/src/theorvane" 1280x720
    cp "$wbuild/TheOrvane.scr" "$WORK/TheOrvane.scr"
    times=()
    for try in 1 2 3; do
        "$wine" "$WORK/TheOrvane.scr" /s >"$WORK/saver.out" 2>&1 &
        SAVER_PID=$!
        id=$(wait_for_window Win0 20)
        xdotool windowfocus "$id" 2>/dev/null  # no window manager hands the focus on here
        sleep 4
        start_busy 4
        sleep 1
        t0=$(now_ms)
        xdotool key a
        gone=$("$probe" wait-gone "$id" 10000)
        times+=($(( ${gone:-$((t0 + 10000))} - t0 )))
        stop_busy
        wait_for_exit 10000
        stop_saver
    done
    cleanup
    trap - EXIT
    echo "      Windows under Wine, key to the window gone under 4 busy loops: ${times[*]} ms" >&2
    median=$(printf '%s\n' "${times[@]}" | sort -n | awk '{v[NR] = $1} END {print v[int((NR + 1) / 2)]}')
    echo "ROW|key to the Windows show gone, 4 busy loops, under Wine (median of 3)|$median|ms|400"
fi
