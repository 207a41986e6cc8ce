#!/usr/bin/env bash
# End to end with UseEscapeLMBExit set, on three monitors: large pointer moves, right and middle
# clicks and keys other than Escape only count as activity and leave the show running (the
# pointer stays hidden over every window); releasing Escape ends it, and in a second show a left
# click ends it.
# Usage: escape_exit_e2e.sh PATH_TO_THEORVANE [PATH_TO_X_PROBE]
set -u
here=$(cd "$(dirname "$0")" && pwd)
. "$here/xvfb_session.sh"
require_tools

binary=$1
probe=${2:-}
[ -x "$probe" ] || probe=
start_session "$binary" 3104x1024 \
    "*LEFT|1280/339x1024/271+0+0|screen" "MIDDLE|1024/271x768/203+1280+0|none" \
    "RIGHT|800/212x600/159+2304+200|none"
printf '[PowerSave]\nUseEscapeLMBExit=1\n' >>"$WORK/TheOrvane.ini"

END_WITHIN_MS=1000
SETTLE_MS=500


# 1. Input that only counts as activity.
if open_show "activity"; then
    running=1
    # Far moves onto every monitor; the pointer stays hidden over each window.
    for place in "1800 300" "2700 500" "100 900"; do
        # shellcheck disable=SC2086
        xdotool mousemove $place
        expect_running "pointer moved far, to $place" || { running=0; break; }
        if [ -n "$probe" ]; then
            state=$("$probe" cursor)
            [ "${state%% *}" = blank ] && pass "pointer hidden at $place ($state)" \
                || fail "pointer drawn at $place during the show: probe says '$state'"
        fi
    done
    if [ "$running" -eq 1 ]; then
        for click in "3 1800 300" "2 2700 500" "3 600 400"; do
            read -r button x y <<<"$click"
            xdotool mousemove "$x" "$y" click "$button"
            expect_running "button $button clicked at $x $y" || { running=0; break; }
        done
    fi
    if [ "$running" -eq 1 ]; then
        for key in a Return space Tab F1 shift+x; do
            xdotool key "$key"
            expect_running "key '$key' pressed and released" || { running=0; break; }
        done
    fi
    if [ "$running" -eq 1 ]; then
        xdotool keydown Escape
        expect_running "Escape held down" && {
            xdotool keyup Escape
            INPUT_MS=$(now_ms)
            expect_end "Escape released" "$END_WITHIN_MS"
        }
    fi
    stop_saver
fi

# 2. A left click ends the show, here on the third monitor after a right click there.
if open_show "left button"; then
    xdotool mousemove 2700 500 click 3
    if expect_running "button 3 clicked at 2700 500"; then
        xdotool click 1
        INPUT_MS=$(now_ms)
        expect_end "left button pressed on the third monitor" "$END_WITHIN_MS"
    fi
    stop_saver
fi

finish
