#!/usr/bin/env bash
# End to end on a real X server with two monitors: the windows the show opens, input that ends
# it and input that does not, and the switches that end at once.
# Usage: saver_e2e.sh PATH_TO_THEORVANE
set -u
here=$(cd "$(dirname "$0")" && pwd)
. "$here/xvfb_session.sh"
require_tools

binary=$1
start_session "$binary" 2304x1024 \
    "*LEFT|1280/339x1024/271+0+0|screen" "RIGHT|1024/271x768/203+1280+0|none"

END_WITHIN_MS=1000        # what the show promises after input
SETTLE_MS=500             # lets the 20 ms start timer tick and the show begin
POINTER=(600 400)        # where open_show puts the pointer before the show starts
SHOW_WINDOWS=(Win0 Win1)

# 1. One window per monitor, on the monitor's rectangle; a WAYLAND_DISPLAY left from another
# session, that no compositor answers, does not keep the show from the X server.
export WAYLAND_DISPLAY=wayland-left-behind
if open_show "windows"; then
    unset WAYLAND_DISPLAY
    echo "      windows visible $((SHOWN_MS - STARTED_MS)) ms after the start"
    g0=$(geometry_of "${WINDOW_IDS[0]}"); g1=$(geometry_of "${WINDOW_IDS[1]}")
    [ "$g0" = "0 0 1280 1024" ] && pass "Win0 covers the left monitor" \
        || fail "Win0 at x y w h = '$g0', expected '0 0 1280 1024'"
    [ "$g1" = "1280 0 1024 768" ] && pass "Win1 covers the right monitor" \
        || fail "Win1 at x y w h = '$g1', expected '1280 0 1024 768'"
    count=$(xdotool search --onlyvisible --name '^Win[0-9]+$' | wc -l)
    [ "$count" -eq 2 ] && pass "exactly two saver windows" || fail "$count saver windows, expected 2"

    # 2. A move of 3 pixels (and back to 5 in total) leaves it running, 6 pixels ends it.
    xdotool mousemove $((POINTER[0] + 3)) "${POINTER[1]}"
    xdotool mousemove $((POINTER[0] + 3)) $((POINTER[1] + 4))
    expect_running "pointer moved 3 px, then to 5 px from where it was"
    xdotool mousemove $((POINTER[0] + 6)) "${POINTER[1]}"
    INPUT_MS=$(now_ms)
    expect_end "pointer moved 6 px" "$END_WITHIN_MS"
fi
unset WAYLAND_DISPLAY

# 3. Holding a key does not end it; releasing it does.
if open_show "key"; then
    xdotool keydown a
    expect_running "key held down"
    xdotool keyup a
    INPUT_MS=$(now_ms)
    expect_end "key released" "$END_WITHIN_MS"
fi

# 4. A click on the second monitor's window ends it.
POINTER=(1700 300)
if open_show "click"; then
    xdotool click 3
    INPUT_MS=$(now_ms)
    expect_end "right button pressed on the second monitor" "$END_WITHIN_MS"
fi

# 5. Switches that end at once without a window.
for switch in /x /p "/p 1234" "/P not-a-number" -s s; do
    # shellcheck disable=SC2086
    start_saver $switch
    INPUT_MS=$STARTED_MS
    wait_for_exit 3000
    if [ -z "$EXIT_CODE" ]; then fail "'$switch' still running after 3 s"; stop_saver; continue; fi
    [ "$EXIT_CODE" -eq 0 ] || fail "'$switch' exit code $EXIT_CODE"
    if xdotool search --name '^Win[0-9]+$' >/dev/null 2>&1; then
        fail "'$switch' left a saver window"
    fi
    [ "$EXIT_CODE" -eq 0 ] && pass "'$switch' ended with code 0 after $((ENDED_MS - STARTED_MS)) ms"
done

# 6. Without any display every switch still ends quietly with code 0.
for switch in /s /x /p /c:1234; do
    out=$(env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM= timeout 10 "$WORK/theorvane" "$switch" 2>&1)
    code=$?
    if [ "$code" -eq 0 ] && [ -z "$out" ]; then pass "'$switch' without a display: code 0, no output"
    else fail "'$switch' without a display: code $code, output '$out'"; fi
done

finish
