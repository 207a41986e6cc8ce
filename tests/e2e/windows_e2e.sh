#!/usr/bin/env bash
# End to end for TheOrvane.scr under Wine on a private Xvfb: preview requests and unknown
# switches end at once without a window; no argument opens the About box, as /c; the show draws the rain in the tint of its settings
# file, the title's letters and the intro's texts; a key, a click and a move of more than
# 5 pixels end it with code 0 while a 5-pixel jitter does not; with UseEscapeLMBExit only Escape
# and the left button end it.
# Usage: windows_e2e.sh PATH_TO_SCR WINE WINEPREFIX PATH_TO_X_PROBE [SHOTS_DIR]
set -u
here=$(cd "$(dirname "$0")" && pwd)
. "$here/xvfb_session.sh"
require_tools
start_wine_session "$1" "$2" "$3" "$4" 1280x720 "${5:-}"
wine=$WINE probe=$PROBE
# Wine starts a program in about a second; the show pumps input every 50 ms.
START_S=$(( 15 * ${ORVANE_E2E_SLOWDOWN:-1} ))
END_WITHIN_MS=2000
SETTLE_MS=1500

run_scr() {
    STARTED_MS=$(now_ms)
    "$wine" "$WORK/TheOrvane.scr" "$@" >"$WORK/saver.out" 2>&1 &
    SAVER_PID=$!
}

settings() { printf '%b' "$1" >"$WORK/TheOrvane.ini"; }


# 1. Switches that create nothing.
for switches in "/p" "/p 1234" "/P notanumber" "/x" "-s" "s"; do
    # shellcheck disable=SC2086
    run_scr $switches
    wait_for_exit $(( START_S * 1000 ))
    if [ -z "$EXIT_CODE" ]; then
        fail "'$switches': still running ${START_S} s after the start"; stop_saver
    elif [ "$EXIT_CODE" -ne 0 ]; then
        fail "'$switches': exit code $EXIT_CODE"
    elif [ -n "$(program_windows)" ]; then
        fail "'$switches': left a window behind"
    else
        pass "'$switches': ended with code 0 and no window ($((ENDED_MS - STARTED_MS)) ms)"
    fi
done

# 1b. No argument: the shell's "Configure" command, which opens the configuration as /c does.
run_scr
if about=$(wait_for_window "About The Orvane Screen Saver" "$START_S"); then
    pass "no argument: the About box ($(geometry_of "$about")), as with /c"
else
    fail "no argument: no About box within ${START_S} s$(program_windows | grep -q . && echo ', the show instead')"
fi
stop_saver

# open_scr CASE: starts the show; 0 once its window is up and SETTLE_MS has passed.
open_scr() {
    xdotool mousemove 640 360
    run_scr /s
    local id
    id=$(wait_for_window Win0 "$START_S") || { fail "$1: no visible window 'Win0'"; stop_saver; return 1; }
    [ "$(geometry_of "$id")" = "0 0 1280 720" ] || fail "$1: Win0 at '$(geometry_of "$id")', not on its monitor"
    xdotool windowfocus "$id" 2>/dev/null
    sleep "$(awk "BEGIN {print $SETTLE_MS / 1000}")"
}

# count_until KIND X Y W H MIN SECONDS: the probe's count once it reaches MIN, or the last one.
count_until() {
    local kind=$1 x=$2 y=$3 w=$4 h=$5 min=$6 deadline=$(( $(now_ms) + $7 * 1000 )) got=0
    while [ "$(now_ms)" -lt "$deadline" ]; do
        got=$("$probe" "$kind" "$x" "$y" "$w" "$h" 2>/dev/null | awk '{print $NF}')
        [ "${got:-0}" -ge "$min" ] && break
        sleep 0.2
    done
    echo "${got:-0}"
}

ends_on() {
    local case=$1
    shift
    INPUT_MS=$(now_ms)
    "$@"
    expect_end "$case" "$END_WITHIN_MS"
}

# 2. The rain in the tint of the settings file (blue here), and a key ending it.
settings '[Settings]\nShowTitle=0\nShowIntro=0\nTintR=20\nTintG=40\nTintB=250\nHighlightR=200\nHighlightG=220\nHighlightB=255\n'
if open_scr "rain"; then
    blue=$(count_until blues 0 0 1280 720 2000 10)
    green=$("$probe" greens 0 0 1280 720 | awk '{print $NF}')
    [ "$blue" -ge 2000 ] && [ "$green" -eq 0 ] && pass "rain drawn in the configured tint ($blue blue pixels, no green)" \
        || fail "rain: $blue blue and $green green pixels"
    shot rain
    # A jitter of 5 pixels from where the pointer was at the start is not a move.
    xdotool mousemove 643 364
    expect_running "pointer moved by 5 pixels" && ends_on "pointer moved by 6 pixels" xdotool mousemove 646 360
    stop_saver
fi

# 3. The title's letters in the middle of the screen, then a key release ends the show.
settings '[Settings]\nShowTitle=1\nShowIntro=0\n'
if open_scr "title"; then
    letters=$(count_until greens 440 330 400 60 150 12)
    [ "$letters" -ge 150 ] && pass "title letters drawn in the middle ($letters green pixels)" \
        || fail "title: $letters green pixels in the middle"
    shot title
    ends_on "key released" xdotool key a
    stop_saver
fi

# 4. The intro's call log at the top left, then a click ends the show.
settings '[Settings]\nShowTitle=0\nShowIntro=1\nDateTimeMode=0\n'
if open_scr "intro"; then
    text=$(count_until greens 30 40 600 40 300 12)
    [ "$text" -ge 300 ] && pass "the trace program types its call log ($text green pixels)" \
        || fail "intro: $text green pixels where the call log is typed"
    shot intro
    ends_on "left button clicked" xdotool click 1
    stop_saver
fi

# 5. Only Escape and the left button end the show when the settings say so.
settings '[Settings]\nShowTitle=0\nShowIntro=0\n[PowerSave]\nUseEscapeLMBExit=1\n'
if open_scr "escape only"; then
    xdotool key a && expect_running "key 'a' with Escape-only exit" &&
    xdotool click 3 && expect_running "right click with Escape-only exit" &&
    xdotool mousemove 100 100 && expect_running "large move with Escape-only exit" &&
    ends_on "Escape released" xdotool key Escape
    stop_saver
fi
if open_scr "escape only, left button"; then
    ends_on "left button with Escape-only exit" xdotool click 1
    stop_saver
fi

"${wine%/*}/wineserver" -k 2>/dev/null
finish
