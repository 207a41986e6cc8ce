# Shared by every end-to-end script, most through xvfb_session.sh or wayland/sway_session.sh:
# the tally of checks, waiting on a condition or on a process, and the headless compositors of
# the big desktops. Source it.

SKIP=77
# Builds that run slower, such as the sanitizer build, scale their bounds by this.
SLOW=${ORVANE_E2E_SLOWDOWN:-1}

now_ms() { date +%s%3N; }

# Checks and their tally; skip ends the script as skipped, finish with the tally.
failures=${failures:-0}  # sourced twice by some scripts
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
pass() { echo "ok:   $*"; }
skip() { echo "SKIP: $*"; exit "$SKIP"; }
finish() {
    if [ "$failures" -ne 0 ]; then
        echo "$failures check(s) failed"; exit 1
    fi
    echo "all checks passed"; exit 0
}

# require TOOL...: skips the script where one is not installed.
require() {
    local tool
    for tool in "$@"; do
        command -v "$tool" >/dev/null 2>&1 || skip "'$tool' is not installed"
    done
}

# wait_until MS COMMAND...: 0 (with COMMAND's output) as soon as COMMAND succeeds, 1 once MS
# have passed. It asks every POLL_S seconds: 0.02 unless the caller sets more for a costly
# question, such as a screenshot.
wait_until() {
    local deadline=$(( $(now_ms) + $1 ))
    shift
    until "$@"; do
        [ "$(now_ms)" -lt "$deadline" ] || return 1
        sleep "${POLL_S:-0.02}"
    done
}

gone() { ! kill -0 "$1" 2>/dev/null; }
# none COMMAND...: the command prints nothing (no such process, no such window).
none() { [ -z "$("$@")" ]; }

# wait_exit PID MS: 0 once the process has ended, with ENDED_MS and, for a child of this shell,
# EXIT_CODE; 1 with EXIT_CODE empty while it still runs after MS.
wait_exit() {
    EXIT_CODE=
    POLL_S=0.01 wait_until "$2" gone "$1" || return 1
    ENDED_MS=$(now_ms)
    wait "$1" 2>/dev/null
    EXIT_CODE=$?
}

# wait_for_exit TIMEOUT_MS: wait_exit for the show (SAVER_PID, then empty once it ended).
wait_for_exit() { wait_exit "$SAVER_PID" "$1" && SAVER_PID=; }

stop_saver() {
    if [ -n "${SAVER_PID:-}" ]; then
        kill "$SAVER_PID" 2>/dev/null; wait "$SAVER_PID" 2>/dev/null; SAVER_PID=
    fi
}

load_average() { cut -d' ' -f1-3 /proc/loadavg; }

# expect_running CASE: the show is still running 1 s after the input (the wait is the check).
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
    local within=$(( $2 * SLOW ))
    wait_for_exit $(( 5000 * SLOW ))
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

# bus_name_owned NAME: the session bus has an owner for the name.
bus_name_owned() {
    dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
        org.freedesktop.DBus.NameHasOwner "string:$1" 2>/dev/null | grep -q 'boolean true'
}

# start_compositor mutter|kwin SOCKET [SIZE...]: the desktop's compositor, headless, with an
# output of each SIZE (KWin's are all of the first size), on the session bus; its log in
# $WORK/compositor.log, COMPOSITOR_PID. Fails the script unless it answers at
# $XDG_RUNTIME_DIR/SOCKET and owns its name on the bus within 10 s.
start_compositor() {
    require dbus-send
    local kind=$1 socket=$2 size args=() name=org.gnome.Mutter.DisplayConfig
    shift 2
    if [ "$kind" = mutter ]; then
        for size in "$@"; do args+=(--virtual-monitor "$size"); done
        mutter --headless --wayland --no-x11 --wayland-display="$socket" "${args[@]}" \
            >"$WORK/compositor.log" 2>&1 &
    else
        # The installed binary carries a file capability that containers refuse; a copy keeps
        # its name, which KWin needs.
        cp "$(command -v kwin_wayland)" "$WORK/kwin_wayland"
        KWIN_COMPOSE=Q KWIN_WAYLAND_NO_PERMISSION_CHECKS=1 QT_QPA_PLATFORM=offscreen \
            "$WORK/kwin_wayland" --virtual --no-lockscreen --output-count $# --width "${1%x*}" \
            --height "${1#*x}" --socket "$socket" >"$WORK/compositor.log" 2>&1 &
        name=org.kde.KWin
    fi
    COMPOSITOR_PID=$!
    if ! POLL_S=0.05 wait_until 10000 test -S "$XDG_RUNTIME_DIR/$socket" \
        || ! POLL_S=0.05 wait_until 10000 bus_name_owned "$name"; then
        echo "FAIL: $kind did not start"; cat "$WORK/compositor.log"; exit 1
    fi
}
