#!/usr/bin/env bash
# The pictures on screen are the window pictures, pixel for pixel, by both ways of presenting:
# present_compare draws and reads back on a private Xvfb, once by the direct shared-memory path
# and once through the backing store.
# Usage: present_compare_e2e.sh PATH_TO_PRESENT_COMPARE
set -u
here=$(cd "$(dirname "$0")" && pwd)
. "$here/xvfb_session.sh"
require_tools
compare=$1
start_session "$compare" 1024x768
for path in x11-shm backingstore; do
    out=$("$WORK/theorvane" "$path" 2>&1); code=$?
    echo "$out" | sed 's/^/      /'
    used=$(echo "$out" | awk '/^path / {print $2}')
    if [ "$used" = "$path" ]; then
        pass "presented by $path"
    elif [ "$path" = x11-shm ] && ! xdpyinfo 2>/dev/null | grep -q MIT-SHM; then
        echo "      (this server has no MIT-SHM: the direct path is not checked)"
    else
        fail "asked for $path, presented by '$used'"
    fi
    [ "$code" -eq 0 ] && pass "$path: every step on screen is the picture" \
        || fail "$path: the screen differs from the picture (code $code)"
done
finish
