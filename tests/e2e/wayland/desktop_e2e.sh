#!/usr/bin/env bash
# End to end on the compositors of the big desktops, headless with two outputs, through the
# program's own Wayland platform: KWin (layer shell; input through its fake-input protocol)
# and mutter (no layer shell, so a full-screen toplevel per output and no mask strip; input
# through its remote-desktop D-Bus interface). The same rules as everywhere: 3 px of pointer
# travel from where the pointer stood keep the show, 5 px more end it with 0, a key ends it
# with 0, on KWin a touch too; on mutter also travel onto a monitor unplugged and plugged in
# again mid-show, and Win0 on the monitor its display configuration makes primary. A
# compositor that goes away ends the show quietly with 0; one with no outputs (mutter without
# monitors) gets one line and an error.
# Usage: desktop_e2e.sh kwin|mutter PATH_TO_THEORVANE PATH_TO_INPUT_TOOL
# (the input tool reads "move DX DY" and "key CODE" lines and answers "ok")
set -u
. "$(dirname "$0")/../e2e_lib.sh"
compositor=$1
case "$compositor" in
    kwin) require kwin_wayland dbus-run-session ;;
    mutter) require mutter dbus-run-session ;;
    *) echo "usage: $0 kwin|mutter THEORVANE INPUT_TOOL"; exit 2 ;;
esac
# Both want a session bus of their own.
if [ -z "${ORVANE_IN_SESSION_BUS:-}" ]; then
    ORVANE_IN_SESSION_BUS=1 exec dbus-run-session -- bash "$0" "$@"
fi

WORK=$(mktemp -d)
mkdir -m 700 "$WORK/run"
cp "$2" "$WORK/theorvane"
printf '[Settings]\nShowTitle=0\nShowIntro=0\n' >"$WORK/TheOrvane.ini"
export XDG_RUNTIME_DIR="$WORK/run"
unset DISPLAY WAYLAND_DISPLAY
cleanup() {
    [ -n "${SAVER_PID:-}" ] && kill "$SAVER_PID" 2>/dev/null
    [ -n "${INPUT_PID:-}" ] && kill "$INPUT_PID" 2>/dev/null  # it waits for input otherwise
    [ -n "${COMPOSITOR_PID:-}" ] && kill "$COMPOSITOR_PID" 2>/dev/null
    wait 2>/dev/null
    rm -rf "$WORK"
}
trap cleanup EXIT
socket=wayland-orvane
start_compositor "$compositor" "$socket" 1280x720 1024x768
export WAYLAND_DISPLAY=$socket
END_WITHIN_MS=1000

coproc INPUT { "$3"; }
INPUT_PID=$!
send() {
    echo "$*" >&"${INPUT[1]}"
    local answer
    read -r -t 5 answer <&"${INPUT[0]}" && [ "$answer" = ok ] || fail "$compositor input: $*"
}
# No sign outside the program shows a motion arrived: a pause lets it reach the program.
move() { send move "$1" "$2"; sleep 0.2; }

# wait_end CASE: the show must end with 0 within END_WITHIN_MS.
wait_end() { INPUT_MS=$(now_ms); expect_end "$1" "$END_WITHIN_MS"; }

start_show() {
    (cd "$WORK" && exec ./theorvane /s) 2>>"$WORK/saver.err" &
    SAVER_PID=$!
    # Seen running 2 s after the start: these compositors take no screenshots of its surfaces.
    sleep 2
    kill -0 "$SAVER_PID" 2>/dev/null && pass "$compositor: the show runs" || fail "the show did not start"
}

move 600 400
send key 42  # a shift, before the show: the compositor makes its keyboard at the first key
start_show
# Travel counts from where the pointer stood when the show began, the first motion included.
move 3 0
expect_running "3 px of pointer travel"
move 5 0
wait_end "3 px then 5 px of pointer travel"

start_show
send key 57  # space
wait_end "a key"

if [ "$compositor" = kwin ]; then
    start_show
    send touch 640 360
    wait_end "a touch"
fi

# mutter's display configuration unplugs the second monitor mid-show and plugs it in again:
# the show goes on, and travel onto the monitor plugged in counts as it is (the pointer 2 px
# from it: 3 px keep the show, 3 px more end it).
apply_monitors() {
    local config=(gdbus call --session --dest org.gnome.Mutter.DisplayConfig
        --object-path /org/gnome/Mutter/DisplayConfig --method org.gnome.Mutter.DisplayConfig)
    local serial
    serial=$("${config[@]}.GetCurrentState" | sed -E 's/^\(uint32 ([0-9]+),.*/\1/')
    "${config[@]}.ApplyMonitorsConfig" "$serial" 1 "[$1]" "@a{sv} {}" >/dev/null \
        || fail "mutter took no monitor configuration"
}
monitors() { apply_monitors "$1"; expect_running "$2: the show goes on"; }
# fullscreen_on LOG TITLE: the output the program made its toplevel TITLE full-screen on,
# from its protocol log (the toplevel, its wl_output, that output's xdg-output name). Objects
# are written "name@id" by older libwayland and "name#id" by newer.
fullscreen_on() {
    local toplevel output named
    toplevel=$(grep -o "xdg_toplevel[@#][0-9]*\.set_title(\"$2\")" "$1" | head -n1 | cut -d. -f1)
    [ -n "$toplevel" ] || return 0  # not made yet: nothing, not the first output named
    output=$(grep -o "$toplevel\.set_fullscreen(wl_output[@#][0-9]*)" "$1" \
        | grep -o "wl_output[@#][0-9]*")
    [ -n "$output" ] || return 0
    named=$(grep -o "zxdg_output_v1[@#][0-9]*, $output)" "$1" | head -n1 | cut -d, -f1)
    grep -o "$named\.name(\"[^\"]*\")" "$1" | head -n1 | cut -d'"' -f2
}
if [ "$compositor" = mutter ] && command -v gdbus >/dev/null; then
    first="(0, 0, 1.0, uint32 0, true, [('Meta-0', '1280x720@60.000', @a{sv} {})])"
    second="(1280, 0, 1.0, uint32 0, false, [('Meta-1', '1024x768@60.000', @a{sv} {})])"
    move -5000 -5000
    move 1278 300
    start_show
    monitors "$first" "the second monitor unplugged"
    monitors "$first, $second" "the second monitor plugged in again"
    move 3 0
    expect_running "3 px onto the monitor plugged in mid-show"
    move 3 0
    wait_end "3 px more on the monitor plugged in mid-show"

    # The second monitor made primary: Win0, which carries the title and the intro, goes there.
    apply_monitors "${first/true/false}, ${second/false/true}"
    wait_until 5000 eval 'gdbus call --session --dest org.gnome.Mutter.DisplayConfig \
        --object-path /org/gnome/Mutter/DisplayConfig \
        --method org.gnome.Mutter.DisplayConfig.GetCurrentState | grep -q "true, \[(.Meta-1."' \
        || fail "mutter does not make Meta-1 primary"
    (cd "$WORK" && WAYLAND_DEBUG=client exec ./theorvane /s) 2>"$WORK/protocol.log" &
    SAVER_PID=$!
    wait_until $((10000 * SLOW)) eval '[ -n "$(fullscreen_on "$WORK/protocol.log" Win0)" ]'
    stop_saver
    shown_on=$(fullscreen_on "$WORK/protocol.log" Win0)
    [ "$shown_on" = Meta-1 ] && pass "Win0 on the primary monitor, Meta-1 at 1280,0" \
        || fail "Win0 on '$shown_on', not on the primary monitor Meta-1"
fi

# The compositor goes away mid-show (the session is over): the program ends quietly with 0.
start_show
kill "$COMPOSITOR_PID"
wait "$COMPOSITOR_PID" 2>/dev/null
COMPOSITOR_PID=
wait_end "the compositor gone"

if [ -s "$WORK/saver.err" ]; then
    fail "the program wrote to stderr:"; cat "$WORK/saver.err"
fi
# A compositor with no outputs: one line and an error code, at once.
if [ "$compositor" = mutter ]; then
    start_compositor mutter wayland-empty
    message=$(cd "$WORK" && WAYLAND_DISPLAY=wayland-empty timeout 10 ./theorvane /s 2>&1)
    code=$?
    [ "$code" -ne 0 ] && [ "$code" -ne 124 ] && [ "$(wc -l <<<"$message")" -eq 1 ] \
        && pass "no outputs: '$message', code $code" || fail "no outputs: code $code, '$message'"
fi

finish
