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
SKIP=77
compositor=$1
case "$compositor" in
    kwin) tools=(kwin_wayland dbus-run-session) ;;
    mutter) tools=(mutter dbus-run-session) ;;
    *) echo "usage: $0 kwin|mutter THEORVANE INPUT_TOOL"; exit 2 ;;
esac
for tool in "${tools[@]}"; do
    command -v "$tool" >/dev/null 2>&1 || { echo "SKIP: '$tool' is not installed"; exit "$SKIP"; }
done
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
if [ "$compositor" = kwin ]; then
    # The installed binary carries a file capability that containers refuse; a copy keeps
    # its name, which KWin needs.
    cp "$(command -v kwin_wayland)" "$WORK/kwin_wayland"
    KWIN_COMPOSE=Q KWIN_WAYLAND_NO_PERMISSION_CHECKS=1 QT_QPA_PLATFORM=offscreen \
        "$WORK/kwin_wayland" --virtual --no-lockscreen --output-count 2 --width 1280 --height 720 \
        --socket "$socket" >"$WORK/compositor.log" 2>&1 &
else
    mutter --headless --wayland --no-x11 --wayland-display="$socket" \
        --virtual-monitor 1280x720 --virtual-monitor 1024x768 >"$WORK/compositor.log" 2>&1 &
fi
COMPOSITOR_PID=$!
# await_socket NAME: the compositor answers there.
await_socket() {
    for _ in $(seq 100); do
        [ -S "$WORK/run/$1" ] && break
        sleep 0.1
    done
    sleep 1
    [ -S "$WORK/run/$1" ] || { echo "FAIL: $compositor did not start"; cat "$WORK/compositor.log"; exit 1; }
}
await_socket "$socket"
export WAYLAND_DISPLAY=$socket

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
pass() { echo "ok:   $*"; }
now_ms() { date +%s%3N; }
END_WITHIN_MS=1000

coproc INPUT { "$3"; }
INPUT_PID=$!
send() {
    echo "$*" >&"${INPUT[1]}"
    local answer
    read -r -t 5 answer <&"${INPUT[0]}" && [ "$answer" = ok ] || fail "$compositor input: $*"
}
move() { send move "$1" "$2"; sleep 0.2; }

# wait_end CASE: the show must end with 0 within END_WITHIN_MS.
wait_end() {
    local deadline=$(($(now_ms) + END_WITHIN_MS))
    while kill -0 "$SAVER_PID" 2>/dev/null && [ "$(now_ms)" -lt "$deadline" ]; do sleep 0.02; done
    if kill -0 "$SAVER_PID" 2>/dev/null; then
        fail "$1: still running after $END_WITHIN_MS ms"; kill "$SAVER_PID"; wait "$SAVER_PID"
    else
        wait "$SAVER_PID"; local code=$?
        [ "$code" -eq 0 ] && pass "$1: ended with 0" || fail "$1: ended with $code"
    fi
    SAVER_PID=
}

start_show() {
    (cd "$WORK" && exec ./theorvane /s) 2>>"$WORK/saver.err" &
    SAVER_PID=$!
    sleep 2
    kill -0 "$SAVER_PID" 2>/dev/null && pass "$compositor: the show runs" || fail "the show did not start"
}

move 600 400
send key 42  # a shift, before the show: the compositor makes its keyboard at the first key
start_show
# Travel counts from where the pointer stood when the show began, the first motion included.
move 3 0
sleep 0.8
kill -0 "$SAVER_PID" 2>/dev/null && pass "3 px of pointer travel: still running" \
    || fail "3 px of pointer travel ended the show"
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
monitors() {
    apply_monitors "$1"
    sleep 1
    kill -0 "$SAVER_PID" 2>/dev/null && pass "$2: the show goes on" || fail "$2 ended the show"
}
# fullscreen_on LOG TITLE: the output the program made its toplevel TITLE full-screen on,
# from its protocol log (the toplevel, its wl_output, that output's xdg-output name). Objects
# are written "name@id" by older libwayland and "name#id" by newer.
fullscreen_on() {
    local toplevel output named
    toplevel=$(grep -o "xdg_toplevel[@#][0-9]*\.set_title(\"$2\")" "$1" | head -n1 | cut -d. -f1)
    output=$(grep -o "$toplevel\.set_fullscreen(wl_output[@#][0-9]*)" "$1" \
        | grep -o "wl_output[@#][0-9]*")
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
    sleep 0.8
    kill -0 "$SAVER_PID" 2>/dev/null && pass "3 px onto the monitor plugged in: still running" \
        || fail "3 px onto the monitor plugged in mid-show ended the show"
    move 3 0
    wait_end "3 px more on the monitor plugged in mid-show"

    # The second monitor made primary: Win0, which carries the title and the intro, goes there.
    apply_monitors "${first/true/false}, ${second/false/true}"
    sleep 1
    (cd "$WORK" && WAYLAND_DEBUG=client exec ./theorvane /s) 2>"$WORK/protocol.log" &
    SAVER_PID=$!
    sleep 2
    kill "$SAVER_PID"
    wait "$SAVER_PID"
    SAVER_PID=
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
    mutter --headless --wayland --no-x11 --wayland-display=wayland-empty >"$WORK/compositor.log" 2>&1 &
    COMPOSITOR_PID=$!
    await_socket wayland-empty
    message=$(cd "$WORK" && WAYLAND_DISPLAY=wayland-empty timeout 10 ./theorvane /s 2>&1)
    code=$?
    [ "$code" -ne 0 ] && [ "$code" -ne 124 ] && [ "$(wc -l <<<"$message")" -eq 1 ] \
        && pass "no outputs: '$message', code $code" || fail "no outputs: code $code, '$message'"
fi

[ "$failures" -eq 0 ] && echo "PASS" || echo "$failures failure(s)"
[ "$failures" -eq 0 ]
