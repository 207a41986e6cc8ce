#!/usr/bin/env bash
# End to end: what ends the show ends it at once. With the two cores kept busy by four loops, a key
# release and a pointer move each end the show within a few seconds (the show itself runs at low
# priority and waits long for processor time); SIGTERM, SIGINT and SIGHUP end it with code 0, and
# afterwards no window of the program is left and the server draws a pointer again.
# Usage: stop_e2e.sh PATH_TO_THEORVANE [PATH_TO_X_PROBE]
set -u
here=$(cd "$(dirname "$0")" && pwd)
. "$here/xvfb_session.sh"
require_tools

binary=$1
probe=${2:-}
[ -x "$probe" ] || probe=
start_session "$binary" 1280x720

BUSY_LOOPS=4
BUSY_END_WITHIN_MS=3000   # loose: before the watcher thread this took 16 s
SIGNAL_END_WITHIN_MS=1000
SETTLE_MS=500
SHOW_WINDOWS=(Win0)

expect_gone() {
    [ -z "$(program_windows)" ] && pass "$1: no window of the program left" \
        || fail "$1: windows left behind: $(program_windows | tr '\n' ' ')"
    if [ -n "$probe" ]; then
        state=$("$probe" cursor)
        [ "${state%% *}" = visible ] && pass "$1: the pointer is drawn again" \
            || fail "$1: the pointer is still hidden ($state)"
    fi
}

for input in "key a" "mousemove 620 400"; do
    if open_show "$input under load"; then
        start_busy "$BUSY_LOOPS"
        sleep 2  # the loops have the processors before the input: the load is what is tested
        # shellcheck disable=SC2086
        xdotool $input
        INPUT_MS=$(now_ms)
        expect_end "'xdotool $input' with $BUSY_LOOPS busy loops on $(nproc) cores" "$BUSY_END_WITHIN_MS"
        stop_busy
        expect_gone "$input under load"
    fi
done

for signal in TERM INT HUP; do
    if open_show "SIG$signal"; then
        kill -"$signal" "$SAVER_PID"
        INPUT_MS=$(now_ms)
        expect_end "SIG$signal" "$SIGNAL_END_WITHIN_MS"
        expect_gone "SIG$signal"
    fi
done

finish
