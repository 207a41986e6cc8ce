#!/usr/bin/env bash
# Runs a Windows program under Wine at another system DPI and on two monitors: a prefix beside
# BASE_PREFIX with LogPixels set (HKCU\Control Panel\Desktop, which Wine 8 and 10 read first),
# on a private X server with two heads (RandR outputs, as tests/e2e/wine_session.sh makes them):
# the primary 1024x768 at 0,0 and a second 1280x1024 to its left, at negative coordinates.
# ORVANE_EXPECTED_DPI and ORVANE_EXPECTED_MONITORS tell the program what it should find.
# Usage: tools/wine-at-dpi.sh DPI BASE_PREFIX WINE PROGRAM [ARGUMENTS...]
set -u
dpi=$1 base=$2 wine=$3
shift 3
prefix=$base-dpi$dpi
export WINEPREFIX=$prefix ORVANE_EXPECTED_DPI=$dpi ORVANE_EXPECTED_MONITORS=2
# The base prefix's files, shared (linked: 700 MB need no copy); its registry, copied, so that
# this prefix's DPI does not reach the base's tests.
rm -rf "$prefix"
mkdir -p "$prefix/dosdevices"
ln -s "$base/drive_c" "$prefix/drive_c"
ln -s ../drive_c "$prefix/dosdevices/c:"
ln -s / "$prefix/dosdevices/z:"
cp "$base/system.reg" "$base/userdef.reg" "$base/.update-timestamp" "$prefix/"
# Written into the copy (a "wine reg add" would cost a wineserver start): the value ends the
# key's section of user.reg.
awk -v value="\"LogPixels\"=dword:$(printf %08x "$dpi")" '
  /^\[Control Panel\\\\Desktop\] / { inside = 1 }
  inside && /^$/ { print value; inside = 0; done = 1 }
  { print }
  END { if (!done) exit 1 }' "$base/user.reg" >"$prefix/user.reg" \
  || { echo "no [Control Panel\\Desktop] in $base/user.reg" >&2; exit 1; }

. "$(dirname "$0")/../tests/e2e/wine_session.sh"
require_heads_server || exit 77
work=$(mktemp -d)
start_heads "$work/heads" "1024 768 1280 0" "1280 1024 0 0" || { rm -rf "$work"; exit 1; }
heads=$SERVER_PID
DISPLAY=$SERVER_DISPLAY "$wine" "$@"
code=$?
"${wine%/*}/wineserver" -k 2>/dev/null
kill "$heads" 2>/dev/null
wait "$heads" 2>/dev/null
rm -rf "$work"
exit "$code"
