#!/usr/bin/env bash
# Runs a Windows program under Wine on a private Xvfb, then ends the prefix's wineserver, so
# that the next program of the prefix does not meet windows tied to a display that is gone.
# Usage: tools/wine-on-xvfb.sh WINE PROGRAM [ARGUMENTS...]   (WINEPREFIX set by the caller)
set -u
wine=$1
shift
xvfb-run -a -s "-screen 0 1280x1024x24" "$wine" "$@"
code=$?
"${wine%/*}/wineserver" -k 2>/dev/null
exit "$code"
