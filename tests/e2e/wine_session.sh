# Shared by the end-to-end scripts of the Windows program under Wine on several monitors.
# Wine lists each Xinerama head as a monitor when RandR is off; Xvfb puts every head at 0,0, but
# Xephyr places them with -origin. So: a private Xvfb as the host, a private Xephyr in it with
# the heads, the program copied into a folder of its own with a settings file beside it, and
# win_probe (a Windows program of the tests) to read the windows back as Windows sees them.
# Source it after xvfb_session.sh; it defines start_wine_heads and the helpers below.

# start_wine_heads SCR WINE WINEPREFIX X_PROBE WIN_PROBE HEAD...: each HEAD is "W H X Y" in X
# coordinates, the first one the primary monitor. Sets WORK, DISPLAY, WINE, PROBE, WIN_PROBE,
# HEADS; the copy is $WORK/TheOrvane.scr. Skips where a tool is missing.
start_wine_heads() {
    local scr=$1 prefix=$3
    WINE=$2 PROBE=$4 WIN_PROBE=$5
    shift 5
    HEADS=("$@")
    local tool
    for tool in Xvfb Xephyr xdotool; do
        command -v "$tool" >/dev/null 2>&1 || { echo "SKIP: '$tool' is not installed"; exit "$SKIP"; }
    done
    [ -x "$WINE" ] || { echo "SKIP: no Wine at '$WINE'"; exit "$SKIP"; }
    [ -x "$PROBE" ] || { echo "SKIP: no x_probe at '$PROBE'"; exit "$SKIP"; }
    [ -f "$WIN_PROBE" ] || { echo "SKIP: no win_probe at '$WIN_PROBE'"; exit "$SKIP"; }
    bash "$(dirname "${BASH_SOURCE[0]}")/../../tools/wine-prefix.sh" "$prefix"
    export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
    WORK=$(mktemp -d)
    trap wine_heads_cleanup EXIT
    cp "$scr" "$WORK/TheOrvane.scr"
    local w h x y width=0 height=0 heads=()
    for head in "${HEADS[@]}"; do
        read -r w h x y <<<"$head"
        [ $((x + w)) -gt "$width" ] && width=$((x + w))
        [ $((y + h)) -gt "$height" ] && height=$((y + h))
        heads+=(-origin "$x,$y" -screen "${w}x${h}")
    done
    start_server "$WORK/host" Xvfb -screen 0 "${width}x${height}x24" || exit 1
    XVFB_PID=$SERVER_PID
    DISPLAY=$SERVER_DISPLAY start_server "$WORK/heads" Xephyr +xinerama -extension RANDR \
        "${heads[@]}" || exit 1
    XEPHYR_PID=$SERVER_PID
    export DISPLAY=$SERVER_DISPLAY
    # Windows of a prefix go to the display its wineserver first met: start afresh on ours.
    "${WINE%/*}/wineserver" -k 2>/dev/null
}

# start_server LOG SERVER ARGS...: a private X server at a free display; SERVER_PID, SERVER_DISPLAY.
start_server() {
    local log=$1
    shift
    "$@" -displayfd 9 -noreset -nolisten tcp 9>"$log.display" >"$log.log" 2>&1 &
    SERVER_PID=$!
    local i
    for i in $(seq 200); do
        [ -s "$log.display" ] && break
        sleep 0.05
    done
    if [ ! -s "$log.display" ]; then
        echo "FAIL: $1 did not start"; cat "$log.log"; return 1
    fi
    SERVER_DISPLAY=":$(head -n1 "$log.display")"
}

wine_heads_cleanup() {
    [ -n "${SAVER_PID:-}" ] && kill "$SAVER_PID" 2>/dev/null
    "${WINE%/*}/wineserver" -k 2>/dev/null
    [ -n "${XEPHYR_PID:-}" ] && kill "$XEPHYR_PID" 2>/dev/null
    cleanup
}

# win_probe ARGS...: the Windows-side probe (tests/e2e/win_probe.cpp), its line ends made Unix.
win_probe() { "$WINE" "$WIN_PROBE" "$@" 2>/dev/null | tr -d '\r'; }

# head_rect N: "X Y W H" of head N in X coordinates; wine_rect N: "LEFT TOP RIGHT BOTTOM" of
# the same monitor as Windows sees it (the first head's top left is 0,0).
head_rect() { local w h x y; read -r w h x y <<<"${HEADS[$1]}"; echo "$x $y $w $h"; }
wine_rect() {
    local w h x y x0 y0
    read -r w h x y <<<"${HEADS[$1]}"
    read -r _ _ x0 y0 <<<"${HEADS[0]}"
    echo "$((x - x0)) $((y - y0)) $((x - x0 + w)) $((y - y0 + h))"
}

# run_scr ARGS...: the copy under Wine in the background; SAVER_PID, STARTED_MS.
run_scr() {
    STARTED_MS=$(now_ms)
    (cd "$WORK" && exec "$WINE" "$WORK/TheOrvane.scr" "$@") >"$WORK/saver.out" 2>&1 &
    SAVER_PID=$!
}

# count_until KIND X Y W H MIN SECONDS: x_probe's count once it reaches MIN, or the last one.
count_until() {
    local kind=$1 x=$2 y=$3 w=$4 h=$5 min=$6 deadline=$(( $(now_ms) + $7 * 1000 )) got=0
    while [ "$(now_ms)" -lt "$deadline" ]; do
        got=$("$PROBE" "$kind" "$x" "$y" "$w" "$h" 2>/dev/null | awk '{print $NF}')
        [ "${got:-0}" -ge "$min" ] && break
        sleep 0.2
    done
    echo "${got:-0}"
}
