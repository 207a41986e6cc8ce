# Shared by the end-to-end scripts: a private Xvfb with two RandR monitors side by side on one
# wide screen (Xinerama screens would all sit at 0,0), and a copy of the program in a folder of
# its own with a settings file beside it. Source it; it defines start_session and the helpers.

SKIP=77

require_tools() {
    local tool
    for tool in Xvfb xdotool xrandr "$@"; do
        if ! command -v "$tool" >/dev/null 2>&1; then
            echo "SKIP: '$tool' is not installed"
            exit "$SKIP"
        fi
    done
}

# start_session BINARY SCREEN_SIZE [MONITOR...]: starts Xvfb at a free display, sets the
# monitors (xrandr --setmonitor arguments separated by '|'), copies the binary into $WORK.
# XVFB_EXTRA_ARGS (optional) adds server arguments, such as -ac for clients of other users.
# ORVANE_E2E_DISPLAYS=FIRST-LAST (optional) keeps the server to those display numbers, where
# several people share a machine; otherwise Xvfb takes the lowest free one.
start_session() {
    local binary=$1 size=$2
    shift 2
    WORK=$(mktemp -d)
    trap cleanup EXIT
    cp "$binary" "$WORK/theorvane"
    printf '[Settings]\nShowTitle=0\nShowIntro=0\n' >"$WORK/TheOrvane.ini"
    local displays=("") number
    if [ -n "${ORVANE_E2E_DISPLAYS:-}" ]; then
        displays=()
        for number in $(seq "${ORVANE_E2E_DISPLAYS%-*}" "${ORVANE_E2E_DISPLAYS#*-}"); do
            [ -e "/tmp/.X$number-lock" ] || displays+=(":$number")
        done
    fi
    local display i
    for display in "${displays[@]}"; do
        # shellcheck disable=SC2086
        Xvfb $display -displayfd 9 -noreset -nolisten tcp ${XVFB_EXTRA_ARGS:-} \
            -screen 0 "${size}x24" 9>"$WORK/display" >"$WORK/xvfb.log" 2>&1 &
        XVFB_PID=$!
        for i in $(seq 100); do
            [ -s "$WORK/display" ] && break
            kill -0 "$XVFB_PID" 2>/dev/null || break
            sleep 0.05
        done
        [ -s "$WORK/display" ] && break
    done
    if [ ! -s "$WORK/display" ]; then
        echo "FAIL: Xvfb did not start"; cat "$WORK/xvfb.log"; exit 1
    fi
    export DISPLAY=":$(head -n1 "$WORK/display")"
    local monitor
    for monitor in "$@"; do
        IFS='|' read -r -a args <<<"$monitor"
        xrandr --setmonitor "${args[@]}" >/dev/null || { echo "FAIL: xrandr --setmonitor $monitor"; exit 1; }
    done
}

# start_busy N: N processes that spin on the processor, as a busy machine has; stop_busy ends them
# (cleanup does too).
BUSY_PIDS=()
start_busy() {
    local i
    for i in $(seq "$1"); do sh -c 'while :; do :; done' & BUSY_PIDS+=($!); done
}
stop_busy() {
    [ ${#BUSY_PIDS[@]} -eq 0 ] && return
    kill "${BUSY_PIDS[@]}" 2>/dev/null; wait "${BUSY_PIDS[@]}" 2>/dev/null; BUSY_PIDS=()
}

cleanup() {
    stop_busy
    [ -n "${SAVER_PID:-}" ] && kill "$SAVER_PID" 2>/dev/null
    [ -n "${XVFB_PID:-}" ] && kill "$XVFB_PID" 2>/dev/null
    wait 2>/dev/null
    # Some scripts make read-only folders in $WORK.
    chmod -R u+w "$WORK" 2>/dev/null
    rm -rf "$WORK"
}

now_ms() { date +%s%3N; }

# start_saver ARGS...: runs the copy in the background; SAVER_PID, STARTED_MS.
start_saver() {
    STARTED_MS=$(now_ms)
    "$WORK/theorvane" "$@" >"$WORK/saver.out" 2>&1 &
    SAVER_PID=$!
}

# wait_for_window NAME [TIMEOUT_S]: prints the window id once a visible window has exactly
# that name.
wait_for_window() {
    local name=$1 deadline=$(( $(now_ms) + ${2:-10} * 1000 )) id
    while [ "$(now_ms)" -lt "$deadline" ]; do
        id=$(xdotool search --onlyvisible --name "^${name}\$" 2>/dev/null | head -n1)
        if [ -n "$id" ]; then echo "$id"; return 0; fi
        sleep 0.02
    done
    return 1
}

# wait_for_exit TIMEOUT_MS: sets EXIT_CODE (empty when still running) and ENDED_MS.
wait_for_exit() {
    local deadline=$(( $(now_ms) + $1 ))
    EXIT_CODE=
    while [ "$(now_ms)" -lt "$deadline" ]; do
        if ! kill -0 "$SAVER_PID" 2>/dev/null; then
            ENDED_MS=$(now_ms)
            wait "$SAVER_PID"; EXIT_CODE=$?
            SAVER_PID=
            return 0
        fi
        sleep 0.01
    done
}

stop_saver() {
    if [ -n "${SAVER_PID:-}" ]; then
        kill "$SAVER_PID" 2>/dev/null; wait "$SAVER_PID" 2>/dev/null; SAVER_PID=
    fi
}

geometry_of() {
    xdotool getwindowgeometry --shell "$1" | awk -F= '/^(X|Y|WIDTH|HEIGHT)=/ {printf "%s ", $2}' | sed 's/ $//'
}

# The top-level windows the program may leave behind: saver windows and the mask strip.
program_windows() {
    xdotool search --name '^(Win[0-9]+|Form3)$' 2>/dev/null
}

# Children of the root window (a bare Xvfb without a window manager has none of its own).
root_children() {
    xwininfo -root -children 2>/dev/null | awk '/^ +[0-9]+ child(ren)?[.:]/ {print $1}'
}

# Checks and their tally, for the scripts that source this file.
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
pass() { echo "ok:   $*"; }
load_average() { cut -d' ' -f1-3 /proc/loadavg; }

# expect_running CASE: the show is still running 1 s after the input.
expect_running() {
    sleep 1
    if kill -0 "$SAVER_PID" 2>/dev/null; then
        pass "$1: still running 1 s later"
        return 0
    fi
    wait_for_exit 100
    fail "$1: the show ended (exit code ${EXIT_CODE:-?})"
    return 1
}

# expect_end CASE WITHIN_MS: the show ends with code 0 within WITHIN_MS of INPUT_MS
# (times ORVANE_E2E_SLOWDOWN for builds that run slower, such as the sanitizer build).
expect_end() {
    local within=$(( $2 * ${ORVANE_E2E_SLOWDOWN:-1} ))
    wait_for_exit $(( 5000 * ${ORVANE_E2E_SLOWDOWN:-1} ))
    if [ -z "$EXIT_CODE" ]; then
        fail "$1: still running 5 s after the input (low priority; load average:" \
            "$(load_average))"
        stop_saver
        return 1
    fi
    local took=$((ENDED_MS - INPUT_MS))
    [ "$EXIT_CODE" -eq 0 ] || fail "$1: exit code $EXIT_CODE, expected 0"
    if [ "$took" -le "$within" ]; then
        pass "$1: ended with code $EXIT_CODE ${took} ms after the input"
    else
        fail "$1: ended ${took} ms after the input, expected within $within ms (the show runs" \
            "at low priority, so busy processes delay it; load average: $(load_average))"
    fi
}

# open_show CASE: starts the show on three monitors with the pointer on the first; 0 once all
# three windows are up and SETTLE_MS has passed.
open_show() {
    xdotool mousemove 600 400
    start_saver /s
    local name
    for name in Win0 Win1 Win2; do
        wait_for_window "$name" >/dev/null || { fail "$1: no visible window '$name'"; stop_saver; return 1; }
    done
    sleep "$(awk "BEGIN {print $SETTLE_MS / 1000}")"
}

# finish: the script's exit code from the tally.
finish() {
    if [ "$failures" -ne 0 ]; then
        echo "$failures check(s) failed"; exit 1
    fi
    echo "all checks passed"; exit 0
}

# start_wine_session SCR WINE WINEPREFIX X_PROBE SCREEN_SIZE [SHOTS_DIR]: as start_session, for
# the Windows program under Wine (the copy is $WORK/TheOrvane.scr); skips where Wine or x_probe
# is missing. shot NAME then saves a screenshot into SHOTS_DIR, when given.
start_wine_session() {
    local scr=$1 size=$5
    WINE=$2 PROBE=$4 SHOTS=${6:-}
    [ -x "$WINE" ] || { echo "SKIP: no Wine at '$WINE'"; exit "$SKIP"; }
    [ -x "$PROBE" ] || { echo "SKIP: no x_probe at '$PROBE'"; exit "$SKIP"; }
    bash "$(dirname "${BASH_SOURCE[0]}")/../../tools/wine-prefix.sh" "$3"
    export WINEPREFIX=$3 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
    # Windows of a prefix go to the display its wineserver first met: start afresh on ours.
    "${WINE%/*}/wineserver" -k 2>/dev/null
    start_session "$scr" "$size"
    mv "$WORK/theorvane" "$WORK/TheOrvane.scr"
}

shot() { [ -n "${SHOTS:-}" ] && mkdir -p "$SHOTS" && import -window root "$SHOTS/$1.png" 2>/dev/null; }
