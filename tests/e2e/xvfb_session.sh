# Shared by the end-to-end scripts: a private Xvfb with two RandR monitors side by side on one
# wide screen (Xinerama screens would all sit at 0,0), and a copy of the program in a folder of
# its own with a settings file beside it. Source it; it defines start_session and the helpers.
. "$(dirname "${BASH_SOURCE[0]}")/e2e_lib.sh"

require_tools() { require Xvfb xdotool xrandr "$@"; }

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
    local display
    for display in "${displays[@]}"; do
        # shellcheck disable=SC2086
        Xvfb $display -displayfd 9 -noreset -nolisten tcp ${XVFB_EXTRA_ARGS:-} \
            -screen 0 "${size}x24" 9>"$WORK/display" >"$WORK/xvfb.log" 2>&1 &
        XVFB_PID=$!
        # Until it gives its display number, or ends (the display taken).
        POLL_S=0.05 wait_until 5000 eval '[ -s "$WORK/display" ] || gone "$XVFB_PID"'
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

# start_saver ARGS...: runs the copy in the background; SAVER_PID, STARTED_MS.
start_saver() {
    STARTED_MS=$(now_ms)
    "$WORK/theorvane" "$@" >"$WORK/saver.out" 2>&1 &
    SAVER_PID=$!
}

# visible_window NAME [NOT_ID]: a visible window with exactly that name (other than NOT_ID).
visible_window() {
    xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | grep -vx "${2:-}" | head -n1 | grep .
}
# wait_for_window NAME [TIMEOUT_S]: prints the window id once a visible window has that name.
wait_for_window() { wait_until $(( ${2:-10} * 1000 )) visible_window "$1"; }

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

# wait_for_greens SECONDS ABOVE X Y W H: 0 once x_probe ($probe) counts more than ABOVE green
# pixels in the rectangle (asked every 0.5 s); the last count in GREENS.
wait_for_greens() { GREENS=0; POLL_S=0.5 wait_until $(( $1 * 1000 )) greens_above "${@:2}"; }
greens_above() { GREENS=$("$probe" greens "${@:2}"); [ "${GREENS:-0}" -gt "$1" ]; }

# open_show CASE: starts the show with the pointer at POINTER; 0 once the windows SHOW_WINDOWS
# are up (their ids in WINDOW_IDS, the time in SHOWN_MS) and SETTLE_MS more have passed.
POINTER=(600 400)
SHOW_WINDOWS=(Win0 Win1 Win2)
open_show() {
    xdotool mousemove "${POINTER[@]}"
    start_saver /s
    local name
    WINDOW_IDS=()
    for name in "${SHOW_WINDOWS[@]}"; do
        WINDOW_IDS+=("$(wait_for_window "$name")") \
            || { fail "$1: no visible window '$name'"; stop_saver; return 1; }
    done
    SHOWN_MS=$(now_ms)
    settle
}
# settle: SETTLE_MS for the first window's start timer to begin the show, which no sign outside
# the program marks.
settle() { sleep "$(awk "BEGIN {print ${SETTLE_MS:-500} / 1000}")"; }

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
