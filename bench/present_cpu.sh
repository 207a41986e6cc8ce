#!/usr/bin/env bash
# What the rain costs once it reaches the screen: the real program on a private Xvfb, intro and
# title off, 10 s of warm-up, then 20 s of rain; the processor time of the program and of the X
# server in percent of one core. Each screen is measured with both ways of presenting, one
# after the other in the same run: the direct X11 path (MIT-SHM) and the QBackingStore path
# (ORVANE_PRESENT=backingstore). Also the peak resident memory and the time from the start to
# the first ring of the wipe (1920 x 1080, direct path).
# Usage: bench/present_cpu.sh BUILD_DIR   (prints "ROW|label|value|unit|target" lines)
set -u
build=$1
here=$(cd "$(dirname "$0")/.." && pwd)
. "$here/tests/e2e/xvfb_session.sh"
require_tools
probe="$build/tests/e2e/x_probe"
WARM_S=${ORVANE_BENCH_WARM_S:-10}
MEASURE_S=${ORVANE_BENCH_MEASURE_S:-20}
hz=$(getconf CLK_TCK)

ticks_of() { awk '{print $14 + $15}' "/proc/$1/stat" 2>/dev/null || echo 0; }

# measure LABEL TARGET SIZE ARGS [MONITOR...]: one row per way of presenting.
measure() {
    local label=$1 target=$2 size=$3 switches=$4
    shift 4
    local path
    for path in direct backingstore; do
        start_session "$build/src/theorvane" "$size" "$@"
        local env=(env ORVANE_PRESENT=x11-shm)
        [ "$path" = backingstore ] && env=(env ORVANE_PRESENT=backingstore)
        STARTED_MS=$(now_ms)
        # shellcheck disable=SC2086
        "${env[@]}" "$WORK/theorvane" $switches >"$WORK/saver.out" 2>&1 &
        SAVER_PID=$!
        sleep "$WARM_S"
        local p0 x0 t0 p1 x1 t1
        p0=$(ticks_of "$SAVER_PID"); x0=$(ticks_of "$XVFB_PID"); t0=$(now_ms)
        sleep "$MEASURE_S"
        p1=$(ticks_of "$SAVER_PID"); x1=$(ticks_of "$XVFB_PID"); t1=$(now_ms)
        if grep -q "no shared-memory X11 path" "$WORK/saver.out"; then
            echo "the direct path was not available ($label): its row measured the backing store" >&2
        fi
        if ! kill -0 "$SAVER_PID" 2>/dev/null; then
            echo "the program ended early ($label, $path):" >&2
            cat "$WORK/saver.out" >&2
        fi
        local wall=$((t1 - t0))
        local program server
        program=$(awk "BEGIN {printf \"%.2f\", 100 * ($p1 - $p0) * 1000 / $hz / $wall}")
        server=$(awk "BEGIN {printf \"%.2f\", 100 * ($x1 - $x0) * 1000 / $hz / $wall}")
        if [ "$path" = direct ] && [ "$label" = "1920x1080" ]; then
            echo "ROW|peak resident memory, 1920x1080 ($path)|$(awk '/^VmHWM/ {printf "%.1f", $2 / 1024}' "/proc/$SAVER_PID/status")|MB|60"
        fi
        stop_saver
        cleanup
        trap - EXIT
        local total
        total=$(awk "BEGIN {printf \"%.2f\", $program + $server}")
        local t=""
        [ "$path" = direct ] && t=$target
        echo "ROW|rain $label, $path: program + X server ($program + $server)|$total|% of a core|$t"
    done
}

# The first ring: the centre of a coloured desktop turns black; the median of five starts.
first_ring() {
    start_session "$build/src/theorvane" 1920x1080
    xsetroot -solid '#336699'
    sleep 0.2
    local rings=() try
    for try in 1 2 3 4 5; do
        start_saver /s
        local ring="nan" deadline=$(( $(now_ms) + 10000 ))
        while [ "$(now_ms)" -lt "$deadline" ]; do
            local lit
            lit=$("$probe" pixels 958 538 4 4 2>/dev/null)
            if [ "${lit##* }" = "0" ]; then ring=$(( $(now_ms) - STARTED_MS )); break; fi
            sleep 0.01
        done
        rings+=("$ring")
        stop_saver
        sleep 0.5
    done
    cleanup
    trap - EXIT
    echo "      start to the first ring: ${rings[*]} ms" >&2
    local median
    median=$(printf '%s\n' "${rings[@]}" | sort -n | awk '{v[NR] = $1} END {print v[int((NR + 1) / 2)]}')
    echo "ROW|start to the first ring of the wipe, 1920x1080 (median of 5)|$median|ms|150"
}

[ -x "$probe" ] && first_ring
measure 1920x1080 3.0 1920x1080 /s
measure 3840x2160 8.0 3840x2160 /s
measure "3 x 1920x1080" 9.0 5760x1080 /s \
    "*A|1920/508x1080/286+0+0|screen" "B|1920/508x1080/286+1920+0|none" \
    "C|1920/508x1080/286+3840+0|none"
measure "1920x1080 module mode (--root)" 3.0 1920x1080 --root
