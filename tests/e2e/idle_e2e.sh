#!/usr/bin/env bash
# End to end for the idle watcher (theorvane --idle), the same script for each kind of idle
# source: nothing before the idle time; after it, the show (a child process) with rain on every
# monitor; a key ends the show but not the watcher; the show comes back after another idle
# time; SIGTERM during a third show ends it and the watcher with code 0, leaving no process of
# ours. Then what the session says beside the idle time: no show while it is locked, asleep or
# a program holds idle off, a show ended within a second when it locks or sleeps, and the show
# after the idle time once the hold ends (mutter: stand-ins for GNOME's lock screen and for
# logind on a bus of their own; sway: a player's inhibition through the screen saver name the
# watcher serves; X11: a player's suspension of the server's saver, whose own saver is off, and a
# stand-in for Plasma's lock screen and power management).
# Usage: idle_e2e.sh KIND PATH_TO_THEORVANE [PATH_TO_X_PROBE | PATH_TO_REMOTE_DESKTOP | PATH_TO_WAYLAND_INPUT]
#   KIND: xvfb (MIT-SCREEN-SAVER; two RandR monitors, xdotool for input), sway (headless, two
#   outputs, idle through org_kde_kwin_idle or ext_idle_notifier_v1, wtype for input, grim for
#   the screen; the third argument the ppm_stats program), or mutter (headless,
#   two virtual monitors, idle through its D-Bus idle monitor on a private session bus, input
#   through its remote-desktop interface; it takes no screenshots without PipeWire, so there
#   the shows are told apart by their processes), or kwin (headless, two outputs, its fake
#   input through the third argument, the wayland_input tool; no screenshots either)
set -u
here=$(cd "$(dirname "$0")" && pwd)
. "$here/xvfb_session.sh"
kind=$1 binary=$2 probe=${3:-}
IDLE_S=2
BUS_PIDS=""

# start_bus NAME VARIABLE: a bus of the test's own, its address exported in VARIABLE.
start_bus() {
    require dbus-daemon
    local address
    address=$(dbus-daemon --session --fork --print-address=1 --print-pid=3 3>"$WORK/$1-bus.pid")
    export "$2=$address"
    BUS_PIDS+=" $(cat "$WORK/$1-bus.pid")"
}
# standin ROLE: a stand-in of session_standin.py, told its commands through a pipe; tell ROLE
# WORD waits up to 5 s for its answer.
standin() {
    mkfifo "$WORK/$1.in"
    /usr/bin/python3 "$here/session_standin.py" "$1" <"$WORK/$1.in" >"$WORK/$1.out" 2>&1 &
    BUS_PIDS+=" $!"  # ended with the buses
    exec {fd}>"$WORK/$1.in"
    eval "STANDIN_FD_$1=\$fd TOLD_$1=0"
    wait_for_line "$WORK/$1.out" ready || { fail "the $1 stand-in did not start: $(cat "$WORK/$1.out")"; finish; }
}
tell() {
    local fd_name=STANDIN_FD_$1 told_name=TOLD_$1
    eval "TOLD_$1=\$(( $told_name + 1 ))"
    echo "$2" >&"${!fd_name}"
    wait_until 5000 answered "$WORK/$1.out" "${!told_name}"
}
answered() { [ "$(grep -c '^ok' "$1")" -ge "$2" ]; }
# wait_for_line FILE START: up to 10 s for a line of the file to begin so.
wait_for_line() { wait_until 10000 grep -qs "^$2" "$1"; }

case $kind in
    xvfb)
        require_tools
        [ -x "$probe" ] || { echo "SKIP: no x_probe"; exit "$SKIP"; }
        start_session "$binary" 1824x768 'LEFT|1024/271x768/203+0+0|screen' 'RIGHT|800/211x600/159+1024+0|none'
        OUTPUTS=("0 0 1024 768" "1024 0 800 600")
        press_key() { xdotool key a; }
        # Rain on an output: green pixels in its rectangle.
        greens_on() { "$probe" greens $1 2>/dev/null | awk '{print $NF}'; }
        # The server's own saver off, as many users have it: no hold on the show. The test's own
        # session bus, and no system bus (not the developer's logind), no compositor.
        export DBUS_SYSTEM_BUS_ADDRESS=unix:path=$WORK/no-system-bus
        unset WAYLAND_DISPLAY XDG_SESSION_ID
        xset s off
        start_bus session DBUS_SESSION_BUS_ADDRESS
        trap 'kill $BUS_PIDS 2>/dev/null; cleanup' EXIT
        standin plasma
        xdotool mousemove 500 400  # input now: the idle time starts here
        ;;
    sway)
        . "$here/wayland/sway_session.sh"
        require_sway_tools grim wtype
        PPM_STATS=$probe
        [ -x "$PPM_STATS" ] || { echo "SKIP: no ppm_stats"; exit "$SKIP"; }
        start_sway "$binary"
        export DBUS_SYSTEM_BUS_ADDRESS=unix:path=$WORK/no-system-bus
        unset XDG_SESSION_ID
        start_bus session DBUS_SESSION_BUS_ADDRESS
        trap 'kill $BUS_PIDS 2>/dev/null; cleanup_sway' EXIT
        OUTPUTS=(HEADLESS-1 HEADLESS-2)
        # sway 1.8 and newer offer ext_idle_notifier_v1, which the watcher takes over KDE's.
        IDLE_PROTOCOL=org_kde_kwin_idle
        printf '1.8\n%s\n' "$(sway --version | awk '{print $NF}')" | sort -CV \
            && IDLE_PROTOCOL=ext_idle_notifier_v1
        press_key() { wtype -s 300 -k space; }
        greens_on() { grim -t ppm -o "$1" "$WORK/shot.ppm" 2>/dev/null && ppm_stats "$WORK/shot.ppm" | awk '{print $3}'; }
        press_key  # input now: the idle time starts here
        ;;
    mutter|kwin)
        compositor=$kind
        [ "$kind" = kwin ] && compositor=kwin_wayland
        require "$compositor" dbus-daemon
        WORK=$(mktemp -d)
        trap 'kill ${INPUT_PID:-} $COMPOSITOR_PID $BUS_PIDS 2>/dev/null; cleanup' EXIT
        cp "$binary" "$WORK/theorvane"
        printf '[Settings]\nShowTitle=0\nShowIntro=0\n' >"$WORK/TheOrvane.ini"
        export XDG_RUNTIME_DIR=$WORK/run WAYLAND_DISPLAY=orvane-idle
        mkdir -m 700 "$XDG_RUNTIME_DIR"
        unset DISPLAY
        start_bus session DBUS_SESSION_BUS_ADDRESS
        if [ "$kind" = mutter ]; then
            start_bus system DBUS_SYSTEM_BUS_ADDRESS  # logind's stand-in has it to itself
            standin lock
            standin logind
            KEY=30
        else
            export DBUS_SYSTEM_BUS_ADDRESS=unix:path=$WORK/no-system-bus
            unset XDG_SESSION_ID
            KEY=57
        fi
        start_compositor "$kind" "$WAYLAND_DISPLAY" 1024x768 800x600
        # The input client (mutter's remote desktop, KWin's fake input) stays for the whole script.
        coproc INPUT { "$probe" 2>"$WORK/input.log"; }
        INPUT_PID=$!
        press_key() { echo "key $KEY" >&"${INPUT[1]}"; read -r -t 5 answer <&"${INPUT[0]}" && [ "$answer" = ok ]; }
        press_key || { echo "FAIL: no input through $kind"; cat "$WORK/input.log" "$WORK/compositor.log"; exit 1; }
        OUTPUTS=()
        ;;
    *) echo "unknown kind '$kind'"; exit 2 ;;
esac

watcher_children() { pgrep -P "$WATCHER" 2>/dev/null; }
first_child() { watcher_children | head -n1 | grep .; }
# wait_for_show SECONDS: the show's process id once the watcher has started one.
wait_for_show() { wait_until $(( $1 * 1000 )) first_child; }
# rain_everywhere SECONDS: every output shows rain (300 green pixels) within the time (true at
# once where the session takes no screenshots); the counts in RAIN_COUNTS.
rain_everywhere() { POLL_S=0.2 wait_until $(( $1 * 1000 )) rain_now; }
rain_now() {
    local output n dry=0
    RAIN_COUNTS=""
    for output in "${OUTPUTS[@]}"; do
        n=$(greens_on "$output"); RAIN_COUNTS+="${n:-0} "
        [ "${n:-0}" -ge 300 ] || dry=1
    done
    return "$dry"
}

LAST_INPUT_MS=$(now_ms)
"$WORK/theorvane" --idle "$IDLE_S" >"$WORK/watcher.out" 2>&1 &
WATCHER=$!
SAVER_PID=$WATCHER  # cleanup ends it

# 1. Nothing before the idle time (the wait is the check).
sleep "$(awk "BEGIN {print $IDLE_S * 0.6}")"
[ -z "$(watcher_children)" ] && pass "no show $((($(now_ms) - LAST_INPUT_MS))) ms after the last input" \
    || fail "a show started before the idle time"

# 2. The show after it, then rain on every output.
for round in 1 2; do
    if show=$(wait_for_show $((IDLE_S + 5 * SLOW))); then
        pass "round $round: the show started $(( $(now_ms) - LAST_INPUT_MS )) ms after the last input (idle time ${IDLE_S} s)"
        if [ ${#OUTPUTS[@]} -gt 0 ]; then
            rain_everywhere $((15 * SLOW)) && pass "round $round: rain on every output (green pixels: $RAIN_COUNTS)" \
                || fail "round $round: rain on every output: green pixels $RAIN_COUNTS"
        else
            sleep $((3 * SLOW))  # the show up before the key: no screenshot shows it here
        fi
    else
        fail "round $round: no show $((IDLE_S + 5 * SLOW)) s after the last input"; break
    fi
    # One show per display, one watcher per session: a second of each ends at once.
    if [ "$round" = 1 ]; then
        second=$(timeout 5 "$WORK/theorvane" /s 2>&1); code=$?
        [ "$code" = 0 ] && [[ $second == *"a show already runs"* ]] && pass "a second show ends at once with 0" \
            || fail "a second show: code $code, '$second'"
        second=$(timeout 5 "$WORK/theorvane" --idle 5 2>&1); code=$?
        [ "$code" = 2 ] && [[ $second == *"already runs"* ]] && pass "a second watcher ends at once with 2" \
            || fail "a second watcher: code $code, '$second'"
    fi
    # 3. A key ends the show, not the watcher.
    press_key
    LAST_INPUT_MS=$(now_ms)
    wait_exit "$show" $((3000 * SLOW)) \
        && pass "round $round: a key ended the show in $(( ENDED_MS - LAST_INPUT_MS )) ms" \
        || fail "round $round: the show still runs 3 s after a key"
    kill -0 "$WATCHER" 2>/dev/null && pass "round $round: the watcher goes on" \
        || { fail "round $round: the watcher ended with the show"; break; }
done

# 5. The session's say (run before the watcher's last show).
# held WHAT: no show while it holds (the idle time and 3 s more; the wait is the check);
# released WHAT: then the show, not before the idle time has passed again since the hold ended.
held() {
    sleep $((IDLE_S + 3))
    [ -z "$(watcher_children)" ] && pass "$1: no show $((IDLE_S + 3)) s into the idle time" \
        || fail "$1: a show started"
}
# released WHAT [SINCE_MS]: the time counts from SINCE_MS when given (the hold's end).
released() {
    local start=${2:-$(now_ms)} show
    if show=$(wait_for_show $((IDLE_S + 8 * SLOW))); then
        local after=$(( $(now_ms) - start ))
        [ "$after" -ge $((IDLE_S * 1000 - 300)) ] && pass "$1: the show $after ms after" \
            || fail "$1: the show only $after ms after (idle time ${IDLE_S} s)"
        [ ${#OUTPUTS[@]} -gt 0 ] && rain_everywhere $((15 * SLOW)) || sleep $((3 * SLOW))  # up before the key
        press_key
        wait_exit "$show" 3000 || fail "$1: a key did not end the show"
    else
        fail "$1: no show $((IDLE_S + 8 * SLOW)) s after"
    fi
}
# taken_by WHAT: a running show ends within a second.
taken_by() {
    local show
    show=$(wait_for_show $((IDLE_S + 5 * SLOW))) || { fail "$1: no show to end"; return; }
    sleep 0.5  # the show under way, not just begun: no sign of it where there is no screenshot
    TOLD_MS=$(now_ms)
    tell "$2" "$3"
    local told=$(now_ms)
    wait_exit "$show" $((1000 * SLOW)) && pass "$1 ended the show in $(( ENDED_MS - told )) ms" \
        || fail "$1: the show still runs 1 s after"
}
case $kind in
    mutter)
        taken_by "the lock" lock lock
        held "locked"
        tell lock unlock
        released "unlocked"
        taken_by "logind's lock hint" logind lock
        tell logind unlock
        released "logind unlocked"
        # Asked for by logind, a lock or sleep (whose two signals may arrive together, after
        # the wake-up) end the show, and the next waits for input: a lock screen or a locker
        # that does not tell the bus may be up.
        taken_by "logind's Lock" logind lock-session
        held "a Lock asked for"
        press_key
        taken_by "sleep" logind sleep-wake
        released "woken (mutter counts the wake-up as input)" "$TOLD_MS"
        tell logind inhibit
        press_key
        held "logind's idle inhibitor"
        tell logind release
        # It is asked again every 5 s.
        released "logind's inhibitor released"
        tell lock inhibit
        press_key
        held "the session manager's inhibition"
        tell lock release
        released "the session manager's inhibition released"
        ;;
    sway|kwin)
        standin player
        tell player inhibit
        press_key
        held "a player's inhibition"
        eval "exec ${STANDIN_FD_player}>&-"  # the player quits without releasing
        released "the player left the bus"
        ;;
    xvfb)
        # Input that does not end the show (2 px) starts a new idle period under it: the watcher
        # sleeps on, and the key that ends the show starts no second one.
        show=$(wait_for_show $((IDLE_S + 5 * SLOW))) && rain_everywhere $((15 * SLOW))
        xdotool mousemove_relative 2 0
        sleep $((IDLE_S + 1))  # the idle time under the show: the waits here are the checks
        ticks() { awk '{print $14 + $15}' "/proc/$WATCHER/stat"; }
        before=$(ticks); sleep 2; spent=$(( $(ticks) - before ))
        [ "$spent" -lt 20 ] && pass "small input under the show: the watcher sleeps ($spent ticks in 2 s)" \
            || fail "small input under the show: the watcher spent $spent ticks in 2 s"
        press_key
        wait_exit "$show" 3000 && sleep 1
        [ -z "$(watcher_children)" ] && pass "the key that ended that show started no other" \
            || fail "a show started again right after the key"
        "$probe" suspend >"$WORK/suspend.out" 2>&1 &
        SUSPENDER=$!
        wait_for_line "$WORK/suspend.out" suspended || fail "no suspension"
        press_key
        held "the server's saver suspended"
        kill "$SUSPENDER"
        released "the suspension ended"
        taken_by "the desktop's lock" plasma lock
        tell plasma unlock
        released "the desktop unlocked"
        tell plasma inhibit
        press_key
        held "KDE's inhibition"
        tell plasma release
        released "KDE's inhibition released"
        ;;
esac

# 4. SIGTERM during a show: the watcher ends it, then itself with 0, and nothing of ours is left.
show=$(wait_for_show $((IDLE_S + 5 * SLOW))) || fail "no third show"
kill -TERM "$WATCHER"
wait_for_exit $((5000 * SLOW))
[ "${EXIT_CODE:-x}" = 0 ] && pass "SIGTERM: the watcher ended with code 0" \
    || fail "SIGTERM: exit code '${EXIT_CODE:-still running}'"
left=""
for exe in /proc/[0-9]*/exe; do
    [ "$(readlink "$exe" 2>/dev/null)" = "$WORK/theorvane" ] && left+=" ${exe//[^0-9]/}"
done
[ -z "$left" ] && pass "no process of ours left" || fail "processes left: $left"
grep -q "read through" "$WORK/watcher.out" && echo "watcher: $(head -n1 "$WORK/watcher.out")"
if [ -n "${IDLE_PROTOCOL:-}" ]; then
    head -n1 "$WORK/watcher.out" | grep -q "(read through $IDLE_PROTOCOL)" \
        && pass "idle time read through $IDLE_PROTOCOL" \
        || fail "idle time not read through $IDLE_PROTOCOL"
fi
finish
