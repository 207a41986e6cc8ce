#!/usr/bin/env bash
# End to end for TheOrvane.scr under Wine on several monitors (Xinerama heads of a Xephyr):
# exactly one window per monitor, covering it, topmost and a tool window (no taskbar button),
# the mask strip too; the title's letters and the rain on every monitor; the intro only on the
# first; a 5-pixel jitter on a side monitor keeps the show running, a 6-pixel move there or a
# key released in its window ends it with code 0; the show covers an always-on-top window; a
# WM_DISPLAYCHANGE with the same monitors moves nothing and makes the next move only re-learn
# the pointer's place; SC_SCREENSAVE (with Windows' low bits) starts nothing over the show.
# Usage: wine_monitors_e2e.sh LAYOUT PATH_TO_SCR WINE WINEPREFIX PATH_TO_X_PROBE PATH_TO_WIN_PROBE
#   LAYOUT: side-by-side | left-of-primary | three-sizes
set -u
here=$(cd "$(dirname "$0")" && pwd)
. "$here/xvfb_session.sh"
. "$here/wine_session.sh"

# Heads "W H X Y" in X coordinates, the primary first; SIDE is the head that gets the input.
case "$1" in
    side-by-side) layout=("1024 768 0 0" "800 600 1024 0") ;;
    left-of-primary) layout=("1024 768 800 0" "800 600 0 0") ;;  # Windows: -800,0 to 0,600
    three-sizes) layout=("1024 600 640 0" "640 480 0 0" "800 600 1664 0") ;;
    *) echo "unknown layout '$1'"; exit 2 ;;
esac
SIDE=$(( ${#layout[@]} - 1 ))
start_wine_heads "$2" "$3" "$4" "$5" "$6" "${layout[@]}"
n=${#HEADS[@]}
SLOW=${ORVANE_E2E_SLOWDOWN:-1}
START_S=$(( 15 * SLOW ))
END_WITHIN_MS=2000

settings() { printf '%b' "$1" >"$WORK/TheOrvane.ini"; }

# The middle of a head, in X coordinates.
centre_of() { local x y w h; read -r x y w h <<<"$(head_rect "$1")"; echo "$((x + w / 2)) $((y + h / 2))"; }

# open_show CASE: the pointer in the middle of the side head, then the show; 0 once every window
# is up. WINDOW[i] is the X id of Win<i>.
open_show() {
    read -r PX PY <<<"$(centre_of "$SIDE")"
    xdotool mousemove "$PX" "$PY"
    run_scr /s
    local i
    WINDOW=()
    for ((i = 0; i < n; i++)); do
        WINDOW[i]=$(wait_for_window "Win$i" "$START_S") \
            || { fail "$1: no visible window 'Win$i'"; stop_saver; return 1; }
    done
    xdotool windowfocus "${WINDOW[0]}" 2>/dev/null  # no window manager hands the focus on here
    return 0
}

# expect_one_window_per_monitor CASE: as many visible saver windows as heads, Win0 on the
# primary, each head covered by one; as Windows sees them: topmost tool windows (extended
# styles 0x8 and 0x80) on the monitors' rectangles, the mask strip too.
expect_one_window_per_monitor() {
    local case=$1 i got want
    got=$(xdotool search --onlyvisible --name '^Win[0-9]+$' 2>/dev/null | wc -l)
    [ "$got" -eq "$n" ] || fail "$case: $got visible saver windows for $n monitors"
    [ "$(geometry_of "${WINDOW[0]}")" = "$(head_rect 0)" ] \
        || fail "$case: Win0 at '$(geometry_of "${WINDOW[0]}")', not on the primary head '$(head_rect 0)'"
    got=$(for ((i = 0; i < n; i++)); do geometry_of "${WINDOW[i]}"; echo; done | sort)
    want=$(for ((i = 0; i < n; i++)); do head_rect "$i"; done | sort)
    [ "$got" = "$want" ] && pass "$case: one window on each of the $n monitors" \
        || fail "$case: windows at [$(echo $got)], monitors at [$(echo $want)]"
    # Only the two style bits are asked for (the message shows the whole styles).
    local caption visible exstyle style owner l t r b masked="" w
    got=$(win_probe list | awk -F'\t' '$1 ~ /^(Win[0-9]+|Form3)$/ && $2 == 1' | sort)
    while IFS=$'\t' read -r caption visible exstyle style owner l t r b; do
        masked+="$caption $((exstyle & 0x88)) $l $t $r $b"$'\n'
    done <<<"$got"
    want=$( (for ((i = 0; i < n; i++)); do echo "Win$i 136 $(wine_rect "$i")"; done
             read -r w _ <<<"${HEADS[0]}"; echo "Form3 136 0 0 $w 2") | sort)
    if [ "$(sort <<<"${masked%$'\n'}")" = "$want" ]; then
        pass "$case: as Windows sees them, topmost tool windows on the monitors ($(echo $got | tr '\n' ';'))"
    else
        fail "$case: as Windows sees them [$(echo "$got" | tr '\n' ';')], expected [$(echo "$want" | tr '\n' ';')]"
    fi
}

# counts_on_every_head KIND MIN SECONDS BOX: polls every head's BOX ("full", "middle" or
# "log": where the intro types) until each has shown MIN pixels of KIND; HEAD_MAX[i] the most seen.
counts_on_every_head() {
    local kind=$1 min=$2 deadline=$(( $(now_ms) + $3 * 1000 )) box=$4 i x y w h got all
    HEAD_MAX=()
    for ((i = 0; i < n; i++)); do HEAD_MAX[i]=0; done
    while [ "$(now_ms)" -lt "$deadline" ]; do
        all=1
        for ((i = 0; i < n; i++)); do
            [ "${HEAD_MAX[i]}" -ge "$min" ] && continue
            read -r x y w h <<<"$(head_rect "$i")"
            case $box in
                middle) x=$((x + w / 2 - 200)) y=$((y + h / 2 - 40)) w=400 h=80 ;;
                log) x=$((x + 30)) y=$((y + 40)) w=600 h=40 ;;
            esac
            got=$("$PROBE" "$kind" "$x" "$y" "$w" "$h" 2>/dev/null | awk '{print $NF}')
            [ "${got:-0}" -gt "${HEAD_MAX[i]}" ] && HEAD_MAX[i]=${got:-0}
            [ "${HEAD_MAX[i]}" -ge "$min" ] || all=0
        done
        [ "$all" -eq 1 ] && return 0
        sleep 0.2
    done
    return 1
}

ends_on() {
    local case=$1
    shift
    INPUT_MS=$(now_ms)
    "$@"
    expect_end "$case" "$END_WITHIN_MS"
}

# 1. The title on every monitor, then the intro on the first only; the pointer's jitter on the
# side monitor, then its move.
settings '[Settings]\nShowTitle=1\nShowIntro=1\nDateTimeMode=0\n'
if open_show "title and intro"; then
    expect_one_window_per_monitor "$1"
    if counts_on_every_head greens 150 $((20 * SLOW)) middle; then
        pass "title letters on every monitor (green pixels in the middle: ${HEAD_MAX[*]})"
    else
        fail "title letters: green pixels in the middle of each monitor: ${HEAD_MAX[*]}"
    fi
    # Once the title has gone, the intro types its call log at the first window's top left,
    # and nothing is drawn there on the others (the title's rain passes there before).
    deadline=$(( $(now_ms) + 20000 * SLOW )) first=0 others=0 seen=0
    while [ "$seen" -eq 0 ] && [ "$(now_ms)" -lt "$deadline" ]; do
        read -r x y _ <<<"$(head_rect 0)"
        first=$("$PROBE" greens $((x + 30)) $((y + 40)) 600 40 | awk '{print $NF}')
        others=0
        for ((i = 1; i < n; i++)); do
            read -r x y _ <<<"$(head_rect "$i")"
            others=$((others + $("$PROBE" greens $((x + 30)) $((y + 40)) 600 40 | awk '{print $NF}')))
        done
        [ "${first:-0}" -ge 300 ] && [ "$others" -eq 0 ] && seen=1
        sleep 0.2
    done
    [ "$seen" -eq 1 ] && pass "the intro on the first monitor only ($first green pixels there, none elsewhere)" \
        || fail "intro: last seen $first green pixels where the first monitor's call log is typed, $others on the others"
    xdotool mousemove $((PX + 3)) $((PY + 4))  # 5 pixels from where the pointer was
    expect_running "pointer moved by 5 pixels on monitor $SIDE" &&
        ends_on "pointer moved by 6 pixels on monitor $SIDE" xdotool mousemove $((PX + 6)) "$PY"
    stop_saver
fi

# 2. The show over an always-on-top window (a secondary taskbar, say) on the side monitor; the
# rain on every monitor; a display change with the same monitors moves nothing, and the
# pointer's first move after it only tells where it is; the shell's screen-save command starts
# nothing; a key released in the side window ends the show.
settings '[Settings]\nShowTitle=0\nShowIntro=0\n'
BAR="Stand-in taskbar"
read -r bl _ br bb <<<"$(wine_rect "$SIDE")"
"$WINE" "$WIN_PROBE" topmost "$BAR" "$bl" $((bb - 40)) $((br - bl)) 40 120 >/dev/null 2>&1 &
BAR_PID=$!
wait_for_window "$BAR" "$START_S" >/dev/null || fail "the stand-in taskbar did not appear"
if open_show "rain"; then
    # Windows are listed in Windows' stacking order, the topmost first. (Without a window
    # manager Wine leaves the X stacking of full-screen windows alone, so the screen itself
    # still shows the stand-in: only Windows' own order can be read here.)
    order=$(win_probe list | awk -F'\t' -v bar="$BAR" '$2 == 1 && ($1 ~ /^Win[0-9]+$/ || $1 == bar) {print $1}' | tr '\n' ' ')
    [ "${order%% $BAR *}" != "$order" ] && [ "${order##*$BAR }" = "" ] \
        && pass "every saver window above the always-on-top window (stacking: $order)" \
        || fail "saver windows and the always-on-top window stacked as: $order"
    # The rain follows the opening wipe, 4.5 to 7.5 s after the start as measured here.
    if counts_on_every_head greens 300 $((20 * SLOW)) full; then
        pass "rain on every monitor (green pixels: ${HEAD_MAX[*]})"
    else
        fail "rain: green pixels on each monitor: ${HEAD_MAX[*]}"
    fi
    before=$(for ((i = 0; i < n; i++)); do geometry_of "${WINDOW[i]}"; echo; done)
    win_probe post Win0 0x7E 32 || fail "WM_DISPLAYCHANGE: no window Win0 to post to"
    # The low four bits of a system command are Windows' own: Wine's default procedure takes
    # SC_SCREENSAVE + 1 for its About box, so a window passing it on would show one.
    win_probe post "Win$SIDE" 0x112 0xF141
    win_probe post "Win$SIDE" 0x112 0xF140
    sleep 1
    after=$(for ((i = 0; i < n; i++)); do geometry_of "${WINDOW[i]}"; echo; done)
    [ "$before" = "$after" ] && pass "WM_DISPLAYCHANGE with the same monitors: every window stays" \
        || fail "WM_DISPLAYCHANGE moved windows: [$(echo $before)] -> [$(echo $after)]"
    extra=$(win_probe list | awk -F'\t' -v bar="$BAR" '$2 == 1 && $1 !~ /^(Win[0-9]+|Form3)$/ && $1 != bar {print $1}')
    [ -z "$extra" ] && pass "SC_SCREENSAVE swallowed: no other window over the show" \
        || fail "SC_SCREENSAVE: other visible windows appeared: $extra"
    # Screen coordinates may shift with the monitors, so the pointer's first move after a
    # display change only tells each window where it is.
    xdotool mousemove $((PX + 6)) "$PY"
    expect_running "after WM_DISPLAYCHANGE, SC_SCREENSAVE and a 6-pixel move (the first since)" &&
        ends_on "key released in Win$SIDE" eval "xdotool windowfocus ${WINDOW[SIDE]} 2>/dev/null; xdotool key a"
    stop_saver
fi
kill "$BAR_PID" 2>/dev/null

finish
