#!/usr/bin/env bash
# End to end for TheOrvane.scr's configuration mode under Wine on a private Xvfb: /c:1234 shows
# the About box (440 x 302, centred, on its green gradient); Alt+S opens the settings dialog;
# "&Ok" (Alt+O) writes the 17 keys in their order, keeping the file's other lines, with a
# stored Variance of 130 written back as 120; "&Cancel" leaves the file byte for byte; "&Ok" on
# the About box ends the program with code 0.
# Usage: windows_config_e2e.sh PATH_TO_SCR WINE WINEPREFIX PATH_TO_X_PROBE [SHOTS_DIR]
set -u
here=$(cd "$(dirname "$0")" && pwd)
. "$here/xvfb_session.sh"
require_tools
start_wine_session "$1" "$2" "$3" "$4" 1280x720 "${5:-}"
wine=$WINE probe=$PROBE
ini="$WORK/TheOrvane.ini"
WAIT_S=$(( 15 * ${ORVANE_E2E_SLOWDOWN:-1} ))

printf '; kept\r\n[Settings]\r\nVariance=130\r\nPhoneNumber=555 0123 4567 8901 2345 6789\r\n[Other]\r\nKey=kept\r\n' >"$ini"
STARTED_MS=$(now_ms)
"$wine" "$WORK/TheOrvane.scr" /c:1234 >"$WORK/saver.out" 2>&1 &
SAVER_PID=$!

about=$(wait_for_window "About The Orvane Screen Saver" "$WAIT_S")
if [ -z "$about" ]; then
    fail "no About box"; stop_saver; finish
fi
sleep 1
geometry=$(geometry_of "$about")
[ "$geometry" = "420 209 440 302" ] && pass "About box: 440 x 302, centred ($geometry)" \
    || fail "About box at x y w h = '$geometry', expected '420 209 440 302'"
green=$("$probe" greens 430 219 120 60 | awk '{print $NF}')
[ "${green:-0}" -ge 3000 ] && pass "its top left is the green gradient ($green green pixels of 7200)" \
    || fail "About box: $green green pixels at its top left"
shot about

# settings_cycle CASE KEY: opens the dialog with Alt+S and leaves it with KEY.
settings_cycle() {
    xdotool windowfocus --sync "$about" 2>/dev/null
    xdotool key alt+s
    local dialog
    dialog=$(wait_for_window "The Orvane Settings" "$WAIT_S") || { fail "$1: Alt+S opened no settings dialog"; return 1; }
    pass "$1: Alt+S opened the settings dialog ($(geometry_of "$dialog"))"
    [ "$1" = ok ] && sleep 1.5 && shot settings
    xdotool windowfocus --sync "$dialog" 2>/dev/null
    xdotool key "$2"
    local deadline=$(( $(now_ms) + WAIT_S * 1000 ))
    while [ "$(now_ms)" -lt "$deadline" ] && xdotool search --onlyvisible --name '^The Orvane Settings$' >/dev/null 2>&1; do
        sleep 0.1
    done
    xdotool search --onlyvisible --name '^The Orvane Settings$' >/dev/null 2>&1 \
        && { fail "$1: the dialog is still open after '$2'"; return 1; }
    sleep 0.5
    return 0
}

if settings_cycle ok alt+o; then
    keys=$(grep -o '^[A-Za-z]*=' "$ini" | tr -d '=' | tr '\n' ' ')
    # Keys already in the file keep their lines; the others follow in the writer's order at the
    # end of their section, and the missing "PowerSave" section comes last.
    expected="Variance PhoneNumber UserName UserMode ShowIntro ShowTitle DateTimeMode TintR TintG TintB HighlightR HighlightG HighlightB OverallSpeed Density Key SuspendTimeout UseEscapeLMBExit "
    [ "$keys" = "$expected" ] && pass "Ok wrote the 17 keys, keeping the file's other lines" \
        || fail "Ok: keys in the file are '$keys', expected '$expected'"
    grep -q '^Variance=120' "$ini" && pass "a stored Variance of 130 is written back as 120" \
        || fail "Variance: '$(grep '^Variance=' "$ini")'"
    grep -q '^PhoneNumber=555 0123 4567 8901 2345 6789' "$ini" \
        && pass "a stored phone number longer than the typing limit is written back whole" \
        || fail "PhoneNumber: '$(grep '^PhoneNumber=' "$ini")'"
    grep -q '^; kept' "$ini" && grep -q '^Key=kept' "$ini" || fail "Ok lost the file's other lines"
fi

cp "$ini" "$WORK/before.ini"
if settings_cycle cancel alt+c; then
    cmp -s "$ini" "$WORK/before.ini" && pass "Cancel left the file byte for byte" \
        || fail "Cancel changed the file"
fi

xdotool windowfocus --sync "$about" 2>/dev/null
INPUT_MS=$(now_ms)
xdotool key alt+o
expect_end "Ok on the About box" 1500
"${wine%/*}/wineserver" -k 2>/dev/null
finish
