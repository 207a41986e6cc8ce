#!/usr/bin/env bash
# The stop watcher waits out a keyboard grab another client holds for its ten attempts, then
# leaves the input to the windows; once the grab is let go it takes the input (watcher_grab on a
# private Xvfb).
# Usage: watcher_grab_e2e.sh PATH_TO_WATCHER_GRAB
set -u
here=$(cd "$(dirname "$0")" && pwd)
. "$here/xvfb_session.sh"
require_tools
start_session "$1" 640x480
out=$("$WORK/theorvane" 2>&1); code=$?
echo "$out" | sed 's/^/      /'
[ "$code" -eq 0 ] && pass "a held grab is tried for 200 ms, a free one is taken" \
    || fail "the watcher's grab attempts (code $code)"
finish
