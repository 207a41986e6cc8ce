#!/usr/bin/env bash
# Makes the Wine prefix the Windows build's tests and measurements run in, once: a 64-bit
# prefix with "Courier New" taken by Liberation Mono (metric-compatible; Wine ships no Courier
# New, as fontconfig maps the name on Linux). Usage: tools/wine-prefix.sh PREFIX
set -euo pipefail
prefix=${1:?usage: wine-prefix.sh PREFIX}
wine=${ORVANE_WINE:-/usr/lib/wine/wine64}
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
if [ ! -f "$prefix/.orvane-ready" ]; then
  "$wine" wineboot -i >/dev/null 2>&1
  "$wine" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "Courier New" /d "Liberation Mono" /f \
    >/dev/null 2>&1
  "${wine%/*}/wineserver" -w 2>/dev/null || true
  touch "$prefix/.orvane-ready"
fi
