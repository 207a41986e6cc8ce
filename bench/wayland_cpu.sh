#!/usr/bin/env bash
# The show on Wayland against the direct X11 path, in the same run: the real program, intro
# and title off, 10 s of warm-up, then 20 s of rain; the processor time of the program and of
# the display server (headless sway with pixman, headless mutter, or Xvfb) in percent of one
# core. Then how fast the show ends on sway with four busy loops running: from a key (wtype)
# and from a pointer move of 20 px to the process's exit, five tries each, medians.
# Usage: bench/wayland_cpu.sh BUILD_DIR   (prints "ROW|label|value|unit|target" lines)
set -u
build=$1
here=$(cd "$(dirname "$0")/.." && pwd)
. "$here/tests/e2e/wayland/sway_session.sh"
require_sway_tools wtype Xvfb
WARM_S=${ORVANE_BENCH_WARM_S:-10}
MEASURE_S=${ORVANE_BENCH_MEASURE_S:-20}
TRIES=${ORVANE_BENCH_TRIES:-5}
LOOPS=4
hz=$(getconf CLK_TCK)

ticks_of() { awk '{print $14 + $15}' "/proc/$1/stat" 2>/dev/null || echo 0; }
percent() { awk "BEGIN {printf \"%.2f\", 100 * ($2 - $1) * 1000 / $hz / $3}"; }
median() { sort -n | awk '{v[NR] = $1} END {print (NR ? v[int((NR + 1) / 2)] : "nan")}'; }

# sample SERVER_PID LABEL TARGET: the program (SAVER_PID) and the server over MEASURE_S.
sample() {
    sleep "$WARM_S"
    local p0 s0 t0 p1 s1 t1
    p0=$(ticks_of "$SAVER_PID"); s0=$(ticks_of "$1"); t0=$(now_ms)
    sleep "$MEASURE_S"
    p1=$(ticks_of "$SAVER_PID"); s1=$(ticks_of "$1"); t1=$(now_ms)
    kill -0 "$SAVER_PID" 2>/dev/null || echo "the program ended early ($2)" >&2
    echo "ROW|rain $2: program|$(percent "$p0" "$p1" $((t1 - t0)))|% of a core|$3"
    echo "ROW|rain $2: display server|$(percent "$s0" "$s1" $((t1 - t0)))|% of a core|"
}

sway_rain() {
    SWAY_OUTPUTS=$1 start_sway "$build/src/theorvane"
    (cd "$WORK" && exec ./theorvane /s) &
    SAVER_PID=$!
    sample "$SWAY_PID" "$2" "$3"
    kill "$SAVER_PID"; wait "$SAVER_PID"
    SAVER_PID=
    cleanup_sway
    trap - EXIT
}

# The X11 direct path on Xvfb, as bench/present_cpu.sh measures it.
x11_rain() {
    (
        unset WAYLAND_DISPLAY
        . "$here/tests/e2e/xvfb_session.sh"
        start_session "$build/src/theorvane" 1920x1080
        ORVANE_PRESENT=x11-shm "$WORK/theorvane" /s >/dev/null 2>&1 &
        SAVER_PID=$!
        sample "$XVFB_PID" "1920x1080, X11 direct path on Xvfb" ""
        stop_saver
    )
}

# mutter copies each buffer into a texture when it gets it and lets go at once (sway with
# pixman shows the buffer itself and keeps it): the picture is then never copied.
mutter_rain() {
    command -v mutter >/dev/null && command -v dbus-run-session >/dev/null || return 0
    (
        export -f sample ticks_of percent now_ms
        export WARM_S MEASURE_S hz build
        env -u XDG_RUNTIME_DIR dbus-run-session -- bash -c '
            WORK=$(mktemp -d); mkdir -m 700 "$WORK/run"; cp "$build/src/theorvane" "$WORK/"
            printf "[Settings]\nShowTitle=0\nShowIntro=0\n" >"$WORK/TheOrvane.ini"
            export XDG_RUNTIME_DIR=$WORK/run; unset DISPLAY WAYLAND_DISPLAY
            mutter --headless --wayland --no-x11 --wayland-display=wayland-bench \
                --virtual-monitor 1920x1080 >/dev/null 2>&1 &
            MUTTER_PID=$!
            for _ in $(seq 100); do [ -S "$WORK/run/wayland-bench" ] && break; sleep 0.1; done
            export WAYLAND_DISPLAY=wayland-bench
            (cd "$WORK" && exec ./theorvane /s) 2>/dev/null &
            SAVER_PID=$!
            sample "$MUTTER_PID" "1920x1080, Wayland on mutter (software GL)" ""
            kill "$SAVER_PID" "$MUTTER_PID"; wait; rm -rf "$WORK"'
    )
}

sway_rain "HEADLESS-1 mode 1920x1080 position 0 0" "1920x1080, Wayland on sway" 3.0
x11_rain
mutter_rain
sway_rain "HEADLESS-1 mode 1920x1080 position 0 0|HEADLESS-2 mode 1024x768 position 1920 0" \
    "1920x1080 + 1024x768, Wayland on sway" ""

# The end under load.
SWAY_OUTPUTS="HEADLESS-1 mode 1920x1080 position 0 0" start_sway "$build/src/theorvane"
BUSY_PIDS=()
coproc POINTER { "$build/tests/e2e/wayland_input"; }
echo "move 600 400" >&"${POINTER[1]}"; read -r -t 5 _ <&"${POINTER[0]}"
for input in key pointer; do
    ends=()
    for _ in $(seq "$TRIES"); do
        (cd "$WORK" && exec ./theorvane /s) &
        SAVER_PID=$!
        sleep 1
        # The first place seen in the show's surface, where travel is counted from.
        echo "move 1 0" >&"${POINTER[1]}"; read -r -t 5 _ <&"${POINTER[0]}"
        for _ in $(seq "$LOOPS"); do sh -c 'while :; do :; done' & BUSY_PIDS+=($!); done
        sleep 5
        if [ "$input" = key ]; then
            # wtype waits 300 ms for the keyboard to be seen before it types.
            sent=$(($(now_ms) + 300))
            wtype -s 300 -k space
        else
            sent=$(now_ms)
            echo "move 20 0" >&"${POINTER[1]}"; read -r -t 5 _ <&"${POINTER[0]}"
        fi
        # Waited for, not polled: a polling loop is itself slow on a busy machine.
        ( sleep 20; kill -9 "$SAVER_PID" 2>/dev/null ) &
        guard=$!
        wait "$SAVER_PID"
        code=$?
        ended=$(now_ms)
        kill "$guard" 2>/dev/null
        kill "${BUSY_PIDS[@]}" 2>/dev/null; wait "${BUSY_PIDS[@]}" 2>/dev/null; BUSY_PIDS=()
        [ "$code" = 0 ] && ends+=($((ended - sent)))
        SAVER_PID=
    done
    echo "      tries ($input): ended ${ends[*]} ms" >&2
    echo "ROW|$input on sway, $LOOPS busy loops on $(nproc) cores: process ended|$(printf '%s\n' "${ends[@]}" | median)|ms (median)|400"
done
exec {POINTER[1]}>&-
