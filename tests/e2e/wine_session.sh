# Shared by the end-to-end scripts of the Windows program under Wine on several monitors.
# Wine 10 places monitors only from RandR outputs (it lists Xinerama heads, but all at 0,0);
# Wine 8 reads them too, and neither sees Xvfb's RandR monitors. Xvfb and Xephyr have one output
# each, so the heads are the outputs of an X server with the dummy video driver, each set to
# its mode and place with xrandr. A copy of the program goes into a folder of its own with a
# settings file beside it, and win_probe (a Windows program of the tests) reads the windows
# back as Windows sees them.
# Source it after xvfb_session.sh; it defines start_wine_heads and the helpers below.
# (tools/wine-at-dpi.sh sources it alone, for require_heads_server and start_heads.)

# start_wine_heads SCR WINE WINEPREFIX X_PROBE WIN_PROBE HEAD...: each HEAD is "W H X Y" in X
# coordinates, the first one the primary monitor. Sets WORK, DISPLAY, WINE, PROBE, WIN_PROBE,
# HEADS; the copy is $WORK/TheOrvane.scr. Skips where a tool is missing.
start_wine_heads() {
    local scr=$1 prefix=$3
    WINE=$2 PROBE=$4 WIN_PROBE=$5
    shift 5
    HEADS=("$@")
    require_heads_server xdotool || exit "$SKIP"
    [ -x "$WINE" ] || { echo "SKIP: no Wine at '$WINE'"; exit "$SKIP"; }
    [ -x "$PROBE" ] || { echo "SKIP: no x_probe at '$PROBE'"; exit "$SKIP"; }
    [ -f "$WIN_PROBE" ] || { echo "SKIP: no win_probe at '$WIN_PROBE'"; exit "$SKIP"; }
    bash "$(dirname "${BASH_SOURCE[0]}")/../../tools/wine-prefix.sh" "$prefix"
    export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
    WORK=$(mktemp -d)
    trap wine_heads_cleanup EXIT
    cp "$scr" "$WORK/TheOrvane.scr"
    start_heads "$WORK/heads" "${HEADS[@]}" || exit 1
    HEADS_PID=$SERVER_PID
    export DISPLAY=$SERVER_DISPLAY
    # Windows of a prefix go to the display its wineserver first met: start afresh on ours.
    "${WINE%/*}/wineserver" -k 2>/dev/null
}

# require_heads_server [TOOL...]: 1, saying what is missing, where start_heads cannot run.
require_heads_server() {
    local tool
    for tool in Xorg xrandr "$@"; do
        command -v "$tool" >/dev/null 2>&1 || { echo "SKIP: '$tool' is not installed"; return 1; }
    done
    [ -n "$(dummy_driver)" ] || { echo "SKIP: the X server's dummy video driver is not installed"; return 1; }
}

dummy_driver() {
    local dir
    for dir in /usr/lib/xorg/modules/drivers /usr/lib64/xorg/modules/drivers; do
        [ -f "$dir/dummy_drv.so" ] && { echo "$dir/dummy_drv.so"; return; }
    done
}

# start_heads BASE HEAD...: an X server at a free display whose RandR outputs are the heads
# ("W H X Y", the first primary), its files named BASE.*; SERVER_PID, SERVER_DISPLAY.
start_heads() {
    local base=$1
    shift
    local w h x y width=0 height=0 head
    for head in "$@"; do
        read -r w h x y <<<"$head"
        [ $((x + w)) -gt "$width" ] && width=$((x + w))
        [ $((y + h)) -gt "$height" ] && height=$((y + h))
    done
    # No input devices of the machine (xdotool's input comes through XTEST), and the console
    # left as it is: the server shares the active virtual terminal and never switches it.
    mkdir -p "$base.conf.d"
    cat >"$base.conf" <<CONF
Section "ServerFlags"
    Option "AutoAddDevices" "false"
    Option "AutoAddGPU" "false"
    Option "DontVTSwitch" "true"
EndSection
Section "Device"
    Identifier "heads"
    Driver "dummy"
    VideoRam $(( width * height * 4 / 1024 + 16384 ))
EndSection
Section "Monitor"
    Identifier "any"
    HorizSync 5.0-1000.0
    VertRefresh 5.0-200.0
EndSection
Section "Screen"
    Identifier "screen"
    Device "heads"
    Monitor "any"
    DefaultDepth 24
    SubSection "Display"
        Depth 24
        Virtual $width $height
    EndSubSection
EndSection
CONF
    start_server "$base" Xorg -config "$base.conf" -configdir "$base.conf.d" \
        -logfile "$base.xorg.log" -sharevts -novtswitch || return 1
    # Each head an output (DUMMY0, DUMMY1, ...) with a mode of exactly its size.
    local i=0 outputs=() clock
    for head in "$@"; do
        read -r w h x y <<<"$head"
        clock=$(awk -v w="$w" -v h="$h" 'BEGIN { printf "%.2f", (w + 160) * (h + 30) * 60 / 1e6 }')
        DISPLAY=$SERVER_DISPLAY xrandr --newmode "head$i" "$clock" "$w" $((w + 48)) $((w + 80)) \
            $((w + 160)) "$h" $((h + 3)) $((h + 8)) $((h + 30)) &&
            DISPLAY=$SERVER_DISPLAY xrandr --addmode "DUMMY$i" "head$i" ||
            { echo "FAIL: no mode ${w}x$h for output DUMMY$i"; return 1; }
        outputs+=(--output "DUMMY$i" --mode "head$i" --pos "${x}x$y")
        [ "$i" -eq 0 ] && outputs+=(--primary)
        i=$((i + 1))
    done
    DISPLAY=$SERVER_DISPLAY xrandr --fb "${width}x$height" "${outputs[@]}" \
        || { echo "FAIL: xrandr could not place the heads"; return 1; }
    # Wine reads the outputs as the server last probed them: until a client probes again, the
    # ones just turned on still count as disconnected and Wine lists the first head alone.
    DISPLAY=$SERVER_DISPLAY xrandr --query >/dev/null
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
        kill -0 "$SERVER_PID" 2>/dev/null || break
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
    [ -n "${HEADS_PID:-}" ] && kill "$HEADS_PID" 2>/dev/null
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
