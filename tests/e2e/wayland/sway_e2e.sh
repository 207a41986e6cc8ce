#!/usr/bin/env bash
# End to end on headless sway with two outputs of different sizes, through the program's own
# Wayland platform: the rain on each output and over the docked bar, no window of the program
# in the tree, an output plugged in mid-show covered in black, the 5-pixel rule of pointer
# travel from where the pointer stood when the show began (crossing to another output is the
# travel it is), a key ending the show with 0, the desktop whole again afterwards, an output
# turned and scaled mid-show still covered whole, the screen showing exactly what the program's
# picture holds, a reference run played through it, and swaylock over the show.
# Usage: sway_e2e.sh THEORVANE WAYLAND_INPUT PPM_STATS SCREEN_CHECK (paths)
set -u
here=$(cd "$(dirname "$0")" && pwd)
. "$here/sway_session.sh"
require_sway_tools grim wtype

start_sway "$1"
pointer_tool=$2
PPM_STATS=$3
screen_check=$4

END_WITHIN_MS=1000  # what the show promises after input
UP_WITHIN_MS=$((10000 * SLOW))  # for the show's surfaces to be drawn

# seen OUTPUT TEST: a screenshot of the output, read into w h green magenta blue (all empty when
# grim fails), passes the arithmetic TEST.
seen() {
    rm -f "$WORK/seen.ppm"
    grim -t ppm -o "$1" "$WORK/seen.ppm" 2>/dev/null
    read -r w h green magenta blue <<<"$(ppm_stats "$WORK/seen.ppm" 2>/dev/null)"
    [ -n "$w" ] && (( $2 ))
}
# until_seen MS OUTPUT TEST: seen until it passes (every 0.2 s) or MS have passed.
until_seen() { POLL_S=0.2 wait_until "$1" seen "$2" "$3"; }
COVERED='green > 500 && magenta == 0 && blue == 0'  # rain, nothing of the bar or the desktop
# show_on OUTPUT: starts the show, 0 once it covers the output.
show_on() {
    (cd "$WORK" && exec ./theorvane /s) 2>>"$WORK/saver.err" &
    SAVER_PID=$!
    until_seen "$UP_WITHIN_MS" "$1" "$COVERED" || fail "the show does not cover $1"
}

# check_output NAME WIDTH HEIGHT: once the rain fills the output, nothing of the bar shows.
check_output() {
    until_seen "$UP_WITHIN_MS" "$1" "$COVERED" || [ -n "$w" ] || { fail "grim -o $1"; return; }
    [ "$w x $h" = "$2 x $3" ] && pass "$1 is $w x $h" || fail "$1 is $w x $h, expected $2 x $3"
    [ "$green" -gt 500 ] && pass "$1 shows the rain ($green green pixels)" \
        || fail "$1 shows no rain ($green green pixels)"
    [ "$magenta" -eq 0 ] && [ "$blue" -eq 0 ] && pass "$1 shows nothing of the bar or the desktop" \
        || fail "$1 shows $magenta pixels of the bar and $blue of the desktop"
}

# The desktop and the bar take a moment to be drawn (seconds, on a busy machine).
until_seen 15000 HEADLESS-1 'magenta > 1000 && blue > 100000'
bar_before=${magenta:-0} desktop_before=${blue:-0}
[ "$bar_before" -gt 1000 ] && [ "$desktop_before" -gt 100000 ] \
    || { fail "no bar or no desktop on HEADLESS-1 before the show ($bar_before pixels of the bar," \
        "$desktop_before of the desktop)"; exit 1; }

# The pointer is there before the show, as a mouse is, away from the edges.
coproc POINTER { "$pointer_tool"; }
move() {
    echo "move $1 $2" >&"${POINTER[1]}"
    read -r -t 5 answer <&"${POINTER[0]}" && [ "$answer" = ok ] || fail "virtual pointer: move $1 $2"
}
move 600 400

# 1. The show: rain on both outputs, above the bar; no window in the tree.
(cd "$WORK" && exec ./theorvane /s) 2>"$WORK/saver.err" &
SAVER_PID=$!
check_output HEADLESS-1 1280 720
check_output HEADLESS-2 1024 768
if swaymsg -t get_tree | grep -Eq '"(name|app_id)": "(Win[0-9]+|Form3|theorvane)"'; then
    fail "the window tree lists a window of the program"
else
    pass "no window of the program in the tree"
fi

# 2. Travel counts from where the pointer stood when the show began, the first motion included:
# 3 px keep the show.
move 3 0
expect_running "3 px of pointer travel"

# 3. An output plugged in now (HEADLESS-3, 1920x1080 at 2304,0) is covered in black; 5 px more
# (8 px from the start) end the show with 0.
swaymsg create_output >/dev/null
sleep 1  # the desktop is drawn on it by then: black a second on is the show's (the wait is the check)
seen HEADLESS-3 1
[ "$w x $h $green $blue" = "1920 x 1080 0 0" ] && pass "the new output is covered in black" \
    || fail "the new output ($w x $h) shows $green green and $blue desktop pixels"
move 5 0
INPUT_MS=$(now_ms)
expect_end "3 px then 5 px of pointer travel" "$END_WITHIN_MS"

# Crossing to another output is the travel it is, no jump and no new start: from 2 px left
# of HEADLESS-3 (the pointer placed before the show), 3 px keep the show, 3 px more end it.
move -5000 -5000
move 2302 300
show_on HEADLESS-2
move 3 0
expect_running "3 px across to another output"
move 3 0
INPUT_MS=$(now_ms)
expect_end "3 px more on the other output" "$END_WITHIN_MS"
exec {POINTER[1]}>&-
wait "${POINTER_PID:-}" 2>/dev/null  # bash forgets the name once it has seen the tool end

# 4. A key ends it with 0, and the desktop is whole again.
show_on HEADLESS-1
wtype -s 300 -k space
INPUT_MS=$(now_ms)
expect_end "a key" "$END_WITHIN_MS"
until_seen 300 HEADLESS-1 "magenta == $bar_before && blue == $desktop_before && green == 0"
[ "$magenta $blue $green" = "$bar_before $desktop_before 0" ] \
    && pass "the desktop is back whole and nothing of the show is left" \
    || fail "after the show: $magenta bar pixels and $blue of the desktop (before" \
        "$bar_before, $desktop_before), $green green"

# 5. A show begun on HEADLESS-1 at scale 2, which is then scaled by 1.5, by 1 and turned:
# each time, a second later, the output shows nothing of the desktop and the rain goes on; a
# key still ends the show with 0.
swaymsg output HEADLESS-1 scale 2 >/dev/null
show_on HEADLESS-1
for change in "scale 1.5" "scale 1" "transform 90"; do
    swaymsg output HEADLESS-1 $change >/dev/null
    sleep 1  # the wait is the check: the show has had a second to follow the change
    seen HEADLESS-1 1
    [ "${blue:-1}" -eq 0 ] && [ "${green:-0}" -gt 500 ] \
        && pass "$change: the rain covers HEADLESS-1 ($w x $h, $green green pixels)" \
        || fail "$change: HEADLESS-1 ($w x $h) shows $blue desktop pixels and $green green"
done
wtype -s 300 -k space
INPUT_MS=$(now_ms)
expect_end "a key after the changes" "$END_WITHIN_MS"
swaymsg output HEADLESS-1 transform normal >/dev/null

# shows_exactly LABEL MODE ARGS... -- OUTPUT:PPM:WIDTH:HEIGHT...: once the screen check has
# drawn in that mode, each output shows its picture pixel for pixel (the headers may differ),
# and the check itself passed.
shows_exactly() {
    local label=$1 args=() screen output ppm width height bytes before=$failures
    shift
    while [ "$1" != -- ]; do args+=("$1"); shift; done
    shift
    coproc CHECK { "$screen_check" "${args[@]}" 2>"$WORK/check.err"; }
    read -r -t 60 answer <&"${CHECK[0]}" && [ "$answer" = ready ] || fail "$label: nothing drawn"
    for screen in "$@"; do
        IFS=: read -r output ppm width height <<<"$screen"
        grim -t ppm -o "$output" "$WORK/shown.ppm"
        bytes=$((width * height * 3))
        cmp -s <(tail -c "$bytes" "$ppm") <(tail -c "$bytes" "$WORK/shown.ppm") \
            || fail "$label: $output differs from the picture"
    done
    exec {CHECK[1]}>&-
    wait "$CHECK_PID" || { fail "$label:"; cat "$WORK/check.err"; }
    [ "$failures" -eq "$before" ] && pass "$label: the screen is the picture"
}

# 6. After frames drawn now in one buffer, now in the other (sway keeps the one it shows).
shows_exactly "cells and text" picture "$WORK/picture.ppm" -- \
    "HEADLESS-1:$WORK/picture.ppm:1280:720"
# The same on HEADLESS-1 turned, whose buffers the program turns as the output is.
swaymsg output HEADLESS-1 transform 90 >/dev/null
shows_exactly "cells and text, turned" picture "$WORK/picture.ppm" -- \
    "HEADLESS-1:$WORK/picture.ppm:720:1280"
swaymsg output HEADLESS-1 transform normal >/dev/null

# 7. A reference run of the rain on the outputs made the run's monitors: each moment's
# pictures are the run's rows, and the screens show the last ones.
swaymsg output HEADLESS-1 mode 640x480 position 0 0 >/dev/null
swaymsg output HEADLESS-2 mode 400x300 position 640 0 >/dev/null
shows_exactly "a reference run" run dense-wild-fast "$WORK/run" -- \
    "HEADLESS-1:$WORK/run0.ppm:640:480" "HEADLESS-2:$WORK/run1.ppm:400:300"

# Last, as a lock cannot be undone: swaylock started over a running show takes the seat (on
# sway 1.7 with a layer surface and the input inhibitor): the show ends with 0 and the user
# sees the lock (grey), nothing of the rain or the desktop.
if command -v swaylock >/dev/null; then
    # A keyboard and a pointer on the seat, as on a desktop (headless sway has neither): wtype's,
    # waiting to type, and the virtual pointer.
    wtype -s 60000 -k space &
    KEYBOARD_PID=$!
    coproc POINTER { "$pointer_tool"; }
    wait_until 5000 eval 'swaymsg -t get_inputs | grep -q "\"type\": \"keyboard\"" &&
        swaymsg -t get_inputs | grep -q "\"type\": \"pointer\""' || fail "no keyboard or pointer on the seat"
    show_on HEADLESS-1
    swaylock -u -c 808080 >"$WORK/lock.log" 2>&1 &
    LOCK_PID=$!
    INPUT_MS=$(now_ms)
    expect_end "swaylock over the show" 3000
    until_seen 500 HEADLESS-1 'green + magenta + blue == 0'
    [ "$green $magenta $blue" = "0 0 0" ] && pass "the lock is what the user sees" \
        || fail "over the lock: $green green, $magenta bar and $blue desktop pixels"
    kill "$LOCK_PID" "$KEYBOARD_PID"
    exec {POINTER[1]}>&-
else
    echo "SKIP: swaylock over the show: swaylock is not installed"
fi

if [ -s "$WORK/saver.err" ]; then
    fail "the program wrote to stderr:"; cat "$WORK/saver.err"
fi
finish
