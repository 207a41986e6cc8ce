#!/usr/bin/env bash
# End to end with MATE's screen saver daemon as the host, on a private Xvfb and a private D-Bus
# session: the program installed (cmake --install) into a scratch /usr tree, the daemon finding
# the installed entry applications/screensavers/theorvane.desktop there, the theme chosen with
# gsettings, then --activate: the rain's tint on the screen, drawn in a child of the daemon's
# window (the one XSCREENSAVER_WINDOW names) with no top-level window of the program's own;
# --deactivate: the module gone within seconds, and no process of the program's left.
# The daemon runs only programs in its known module folders, so the test puts a link at the
# entry's Exec, /usr/libexec/xscreensaver/theorvane, for its run and removes it after; it skips
# where that path is taken (an installed copy) or cannot be written.
# Usage: mate_daemon_e2e.sh BUILD_DIR PATH_TO_X_PROBE
set -u
here=$(cd "$(dirname "$0")" && pwd)
. "$here/xvfb_session.sh"

SHOW_WITHIN_S=$(( 20 * SLOW ))
GONE_WITHIN_MS=5000
MODULE=/usr/libexec/xscreensaver/theorvane
# The installed program and the module's command as the daemon starts it.
module_pids() { pgrep -f "^($MODULE|$WORK/root/usr/bin/theorvane)( |$)"; }

# Inside the private D-Bus session: settings, daemon, checks; the tally is the exit code.
if [ "${1:-}" = "--inside-session" ]; then
    probe=$2
    gsettings set org.mate.screensaver mode single
    gsettings set org.mate.screensaver themes "['screensavers-theorvane']"
    gsettings set org.mate.screensaver lock-enabled false
    themes=$(gsettings get org.mate.screensaver themes)
    [ "$themes" = "['screensavers-theorvane']" ] && pass "gsettings chose the theme $themes" \
        || fail "gsettings reads the themes as $themes"

    mate-screensaver --no-daemon --debug >"$WORK/daemon.log" 2>&1 &
    daemon=$!
    POLL_S=0.1 wait_until 10000 mate-screensaver-command --query >/dev/null 2>&1 || { fail "the daemon did not answer"; tail -20 "$WORK/daemon.log"; kill "$daemon"; finish; }

    mate-screensaver-command --activate >/dev/null 2>&1
    wait_for_greens "$SHOW_WITHIN_S" 1000 0 0 1280 720
    pid=$(module_pids | head -n1)
    if [ -n "$pid" ]; then
        pass "the daemon started the module: $(tr '\0' ' ' </proc/"$pid"/cmdline)"
    else
        fail "no module process"
        grep -iE "command|theme|job" "$WORK/daemon.log" | tail -10 | sed 's/^/      daemon: /'
    fi
    [ "$GREENS" -gt 1000 ] && pass "the screen shows the rain's tint ($GREENS green pixels)" \
        || fail "the screen shows $GREENS green pixels after ${SHOW_WITHIN_S} s"
    top=$(xwininfo -root -children | grep -E '"(Win[0-9]+|Form3)"')
    [ -z "$top" ] && pass "no top-level window of the program" || fail "top-level windows: $top"
    if [ -n "$pid" ]; then
        host=$(tr '\0' '\n' </proc/"$pid"/environ | sed -n 's/^XSCREENSAVER_WINDOW=//p')
        if [ -n "$host" ] && xwininfo -id "$host" -children 2>/dev/null | grep -q '"Win0"'; then
            pass "the module draws in a child of the daemon's window $host"
        else
            fail "no 'Win0' child under the window XSCREENSAVER_WINDOW names ('$host')"
        fi
    fi

    mate-screensaver-command --deactivate >/dev/null 2>&1
    deactivated=$(now_ms)
    if wait_until "$GONE_WITHIN_MS" none module_pids; then
        pass "the module is gone $(( $(now_ms) - deactivated )) ms after --deactivate"
    else
        fail "the module still runs ${GONE_WITHIN_MS} ms after --deactivate"
    fi
    kill "$daemon" 2>/dev/null
    wait "$daemon" 2>/dev/null
    exit "$failures"
fi

require_tools mate-screensaver mate-screensaver-command dbus-run-session gsettings xwininfo cmake
build=$1
probe=${2:-}
[ -x "$probe" ] || skip "no x_probe (X11 headers missing at build time)"
# A link an interrupted run left (its scratch folder gone) is taken away.
if [ -L "$MODULE" ] && [ ! -e "$MODULE" ] \
    && [[ "$(readlink "$MODULE")" =~ ^/.*/tmp\.[^/]+/root/usr/bin/theorvane$ ]]; then
    rm -f "$MODULE"
fi
if [ -e "$MODULE" ] || [ -L "$MODULE" ]; then
    skip "$MODULE is there already (an installed copy): the test would not replace it"
fi
[ -w "$(dirname "$MODULE")" ] || skip "cannot write $(dirname "$MODULE")"

start_session "$build/src/theorvane" 1280x720
DESTDIR="$WORK/root" cmake --install "$build" --prefix /usr >"$WORK/install.log" 2>&1 \
    || { cat "$WORK/install.log"; fail "cmake --install"; finish; }
entry="$WORK/root/usr/share/applications/screensavers/theorvane.desktop"
grep -qx "Exec=$MODULE --root" "$entry" && pass "the entry runs $MODULE --root" \
    || fail "the entry's Exec: $(grep '^Exec=' "$entry")"
ln -s "$WORK/root/usr/bin/theorvane" "$MODULE"
remove_link() { [ "$(readlink "$MODULE")" = "$WORK/root/usr/bin/theorvane" ] && rm -f "$MODULE"; }
trap 'remove_link; cleanup' EXIT

# An installed copy keeps its settings in the user's folder: the rain without title or intro.
home="$WORK/home"
mkdir -p "$home/.config/TheOrvane"
printf '[Settings]\nShowTitle=0\nShowIntro=0\n' >"$home/.config/TheOrvane/TheOrvane.ini"
export WORK
# dconf, which the bus starts, writes where gsettings reads only when these are set first.
env -u DBUS_SESSION_BUS_ADDRESS HOME="$home" XDG_CONFIG_HOME="$home/.config" \
    XDG_DATA_DIRS="$WORK/root/usr/share:/usr/share" XDG_CURRENT_DESKTOP=MATE \
    dbus-run-session -- bash "$here/mate_daemon_e2e.sh" --inside-session "$probe" 2>"$WORK/session.log"
failures=$?
[ "$failures" -eq 0 ] || tail -20 "$WORK/session.log" | sed 's/^/      session: /'
left=$(module_pids)
[ -z "$left" ] && pass "no process of the program is left" || fail "left running: $left"
remove_link
[ ! -e "$MODULE" ] && [ ! -L "$MODULE" ] && pass "the link $MODULE is removed again" \
    || fail "$MODULE is still there"
finish
