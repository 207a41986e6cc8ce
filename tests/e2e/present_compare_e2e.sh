#!/usr/bin/env bash
# The pictures on screen are the window pictures, pixel for pixel, by both ways of presenting:
# present_compare draws and reads back on a private Xvfb, once by the direct shared-memory path
# and once through the backing store, and by the direct path again on a window 32 bits deep.
# Usage: present_compare_e2e.sh PATH_TO_PRESENT_COMPARE
set -u
here=$(cd "$(dirname "$0")" && pwd)
. "$here/xvfb_session.sh"
require_tools
compare=$1
start_session "$compare" 1024x768
for run in "x11-shm" "backingstore" "x11-shm argb"; do
    path=${run%% *}
    # shellcheck disable=SC2086
    out=$("$WORK/theorvane" $run 2>&1); code=$?
    echo "$out" | sed 's/^/      /'
    used=$(echo "$out" | awk '/^path / {print $2}')
    if [ "$used" = "$path" ]; then
        pass "presented by $path"
    elif [ "$path" = x11-shm ] && ! xdpyinfo 2>/dev/null | grep -q MIT-SHM; then
        echo "      (this server has no MIT-SHM: the direct path is not checked)"
    else
        fail "asked for $path, presented by '$used'"
    fi
    if [ "$run" = "x11-shm argb" ]; then
        depth=$(echo "$out" | awk '/^depth / {print $2}')
        [ "$depth" = 32 ] && pass "the window for the second x11-shm run is 32 bits deep" \
            || fail "asked for a 32-bit window, got depth '$depth'"
    fi
    [ "$code" -eq 0 ] && pass "$run: every step on screen is the picture" \
        || fail "$run: the screen differs from the picture (code $code)"
done
finish
