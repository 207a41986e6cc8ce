#!/usr/bin/env bash
# End to end with the X11 screen saver daemon as the host: a scratch home whose .xscreensaver
# lists only this program ("--root"), the daemon started as an unprivileged user (it starts no
# module as root), then -activate: the screen shows the rain's tint within seconds, drawn in the
# daemon's window with no top-level window of the program's own; -deactivate: the module is
# gone within seconds (the daemon ends it with SIGTERM).
# Usage: daemon_e2e.sh PATH_TO_THEORVANE PATH_TO_X_PROBE
set -u
here=$(cd "$(dirname "$0")" && pwd)
. "$here/xvfb_session.sh"
require_tools xscreensaver xscreensaver-command xwininfo

binary=$1
probe=${2:-}
[ -x "$probe" ] || skip "no x_probe (X11 headers missing at build time)"
# The daemon's user must reach the server and the copy of the program.
XVFB_EXTRA_ARGS=-ac start_session "$binary" 1280x720
chmod 755 "$WORK"
chmod 644 "$WORK/TheOrvane.ini"

SHOW_WITHIN_S=15
GONE_WITHIN_MS=5000

home="$WORK/home"
mkdir -p "$home"
cat >"$home/.xscreensaver" <<EOT
mode: one
selected: 0
lock: False
splash: False
fade: False
unfade: False
timeout: 0:30:00
programs: $WORK/theorvane --root \\n
EOT
as_user=()
if [ "$(id -u)" -eq 0 ]; then
    command -v runuser >/dev/null || { echo "SKIP: root without runuser"; exit "$SKIP"; }
    chown -R nobody "$home"
    as_user=(runuser -u nobody --)
fi
run_as_user() { "${as_user[@]}" env HOME="$home" DISPLAY="$DISPLAY" "$@"; }

run_as_user xscreensaver -no-splash -verbose >"$WORK/daemon.log" 2>&1 &
DAEMON_PID=$!
trap 'kill "$DAEMON_PID" 2>/dev/null; wait "$DAEMON_PID" 2>/dev/null; cleanup' EXIT
POLL_S=0.1 wait_until 10000 run_as_user xscreensaver-command -time >/dev/null 2>&1 || { fail "the daemon did not answer"; tail -5 "$WORK/daemon.log"; finish; }

module_pid() { pgrep -f "^$WORK/theorvane --root" | head -n1; }

run_as_user xscreensaver-command -activate >/dev/null 2>&1
wait_for_greens "$SHOW_WITHIN_S" 1000 0 0 1280 720
pid=$(module_pid)
[ -n "$pid" ] && pass "the daemon started the module (pid $pid)" || fail "no module process"
[ "$GREENS" -gt 1000 ] && pass "the screen shows the rain's tint ($GREENS green pixels)" \
    || fail "the screen shows $GREENS green pixels after ${SHOW_WITHIN_S} s"
top=$(xwininfo -root -children | grep -E '"(Win[0-9]+|Form3)"')
[ -z "$top" ] && pass "no top-level window of the program" || fail "top-level windows: $top"
daemon_window=$(xwininfo -root -children | awk '/"XScreenSaver": \("xscreensaver"/ {print $1; exit}')
[ -n "$daemon_window" ] && xwininfo -id "$daemon_window" -children | grep -q '"Win0"' \
    && pass "the module draws in a child of the daemon's window" \
    || fail "no 'Win0' child under the daemon's window"

run_as_user xscreensaver-command -deactivate >/dev/null 2>&1
DEACTIVATED_MS=$(now_ms)
if wait_until "$GONE_WITHIN_MS" none module_pid; then
    pass "the module is gone $(( $(now_ms) - DEACTIVATED_MS )) ms after -deactivate"
else
    fail "the module still runs ${GONE_WITHIN_MS} ms after -deactivate"
fi
grep -E "killing pid|exited with|crashed" "$WORK/daemon.log" | sed 's/^/      daemon: /'
if grep -qE "theorvane.*(crashed|dumped core|exited with status [1-9])" "$WORK/daemon.log"; then
    fail "the daemon saw the module fail"
fi
finish
