#!/usr/bin/env bash
# End to end: a monitor taken away while the show draws the title on every window (xrandr
# --delmonitor) does not end or crash the program; the other windows stay on their monitors
# and go on changing, and a key release still ends the show with code 0. Once for a side monitor
# (which then comes back while the show runs) and once for the primary monitor, the one under
# the first window and the mask strip.
# Usage: monitor_removed_e2e.sh PATH_TO_THEORVANE [PATH_TO_X_PROBE]
# Without x_probe the pictures are not checked.
set -u
here=$(cd "$(dirname "$0")" && pwd)
. "$here/xvfb_session.sh"
require_tools

MONITORS=("*LEFT|1280/339x1024/271+0+0|screen" "MIDDLE|1024/271x768/203+1280+0|none"
          "RIGHT|800/212x600/159+2304+200|none")
start_session "$1" 3104x1024 "${MONITORS[@]}"
probe=${2:-}
[ -x "$probe" ] || probe=
# The title draws on every window from about 2 s to 12 s after the start.
printf '[Settings]\nShowTitle=1\nShowIntro=0\n' >"$WORK/TheOrvane.ini"

END_WITHIN_MS=1000
SETTLE_MS=3000            # until the title is drawing
AFTER_CHANGE_S=1          # the show must live on this long after a change (the wait is the check)
# Pictures of a window, SAMPLE_S apart, until it is seen changing with something lit: up to 6 s
# (longer for slower builds), since a window stays black for a while where its title has
# ended before the others' or where the rain has just begun on it.
SAMPLES=$(( 20 * ${ORVANE_E2E_SLOWDOWN:-1} ))
SAMPLE_S=0.3
declare -A RECT=([Win0]="0 0 1280 1024" [Win1]="1280 0 1024 768" [Win2]="2304 200 800 600")

# Puts back the three monitors in their order (a removed primary leaves the server's own
# monitor for the whole screen in their place).
restore_monitors() {
    local name
    for name in $(xrandr --listmonitors | awk 'NR > 1 {print $2}' | tr -d '*+'); do
        xrandr --delmonitor "$name" >/dev/null 2>&1
    done
    local monitor
    for monitor in "${MONITORS[@]}"; do
        IFS='|' read -r -a args <<<"$monitor"
        xrandr --setmonitor "${args[@]}" >/dev/null || fail "xrandr --setmonitor $monitor"
    done
}


# expect_covering CASE WINDOW...: each window is visible on its monitor's rectangle.
expect_covering() {
    local case=$1 name id got
    shift
    for name in "$@"; do
        if ! id=$(visible_window "$name"); then fail "$case: '$name' is not visible"; continue; fi
        got=$(geometry_of "$id")
        [ "$got" = "${RECT[$name]}" ] && pass "$case: $name still covers its monitor" \
            || fail "$case: $name at x y w h = '$got', expected '${RECT[$name]}'"
    done
}

# alive CASE: the program still runs; otherwise says how it ended (a signal is 128 + its number).
alive() {
    if kill -0 "$SAVER_PID" 2>/dev/null; then
        pass "$1: still running ${AFTER_CHANGE_S} s later"
        return 0
    fi
    wait_for_exit 100
    fail "$1: the program ended with code ${EXIT_CODE:-?}; its output:"
    sed 's/^/      /' "$WORK/saver.out"
    return 1
}

# expect_drawing CASE WINDOW...: each window's rectangle on the screen changes between two of
# SAMPLES pictures, and something in it is lit.
expect_drawing() {
    [ -n "$probe" ] || return 0
    local case=$1 name i previous current changed lit
    shift
    for name in "$@"; do
        # shellcheck disable=SC2086
        set -- ${RECT[$name]}
        previous=$("$probe" pixels "$1" "$2" "$3" "$4")
        changed=0; lit=${previous#* }
        for ((i = 1; i < SAMPLES && (changed == 0 || lit == 0); i++)); do
            sleep "$SAMPLE_S"
            current=$("$probe" pixels "$1" "$2" "$3" "$4")
            [ "${current%% *}" != "${previous%% *}" ] && changed=1
            [ "${current#* }" -gt "$lit" ] && lit=${current#* }
            previous=$current
        done
        if [ "$changed" -eq 1 ] && [ "$lit" -gt 0 ]; then
            pass "$case: $name's picture changes (up to $lit lit pixels)"
        else
            fail "$case: $name's picture did not change in $SAMPLES pictures ${SAMPLE_S} s apart" \
                "(up to $lit lit pixels)"
        fi
    done
}

end_by_key() {
    xdotool key a
    INPUT_MS=$(now_ms)
    expect_end "$1: key released" "$END_WITHIN_MS"
    local left
    left=$(program_windows | wc -l)
    [ "$left" -eq 0 ] && pass "$1: no window of the program left" \
        || fail "$1: $left window(s) of the program left after the exit"
}

# 1. A side monitor goes away, then comes back, while the show runs.
if open_show "side monitor"; then
    expect_drawing "before" Win0 Win1 Win2
    xrandr --delmonitor MIDDLE >/dev/null || fail "xrandr --delmonitor MIDDLE"
    sleep "$AFTER_CHANGE_S"
    if alive "MIDDLE removed"; then
        expect_covering "MIDDLE removed" Win0 Win2
        expect_drawing "MIDDLE removed" Win0 Win2
        xrandr --setmonitor "MIDDLE" 1024/271x768/203+1280+0 none >/dev/null \
            || fail "xrandr --setmonitor MIDDLE"
        sleep "$AFTER_CHANGE_S"
        if alive "MIDDLE back"; then
            expect_covering "MIDDLE back" Win0 Win2
            expect_drawing "MIDDLE back" Win0 Win2
            end_by_key "MIDDLE back"
        fi
    fi
    stop_saver
fi
restore_monitors

# 2. The primary monitor goes away: the first window (which runs the show) and the mask strip
# lose their screen.
if open_show "primary monitor"; then
    xrandr --delmonitor LEFT >/dev/null || fail "xrandr --delmonitor LEFT"
    sleep "$AFTER_CHANGE_S"
    if alive "LEFT removed"; then
        expect_covering "LEFT removed" Win1 Win2
        expect_drawing "LEFT removed" Win1 Win2
        end_by_key "LEFT removed"
    fi
    stop_saver
fi

finish
