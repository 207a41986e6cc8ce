#!/usr/bin/env bash
# End to end for TheOrvane.ini as Windows users keep it, under Wine on a private Xvfb: the
# configuration mode (/c:1234, Alt+S, "&Ok") reads "UserName=José" from an ANSI file and from a
# UTF-16 file (Notepad's "Unicode") and writes the 17 keys back in the file's own encoding; a
# copy in the system folder starts from the TheOrvane.ini beside it and saves into
# %APPDATA%\TheOrvane, leaving the one in the system folder as it was; so does a copy in a folder
# that cannot be written (made so with the immutable attribute, where that can be set).
# Usage: windows_settings_e2e.sh PATH_TO_SCR WINE WINEPREFIX PATH_TO_X_PROBE [SHOTS_DIR]
set -u
here=$(cd "$(dirname "$0")" && pwd)
. "$here/xvfb_session.sh"
require_tools
start_wine_session "$1" "$2" "$3" "$4" 1280x720 "${5:-}"
wine=$WINE
ini="$WORK/TheOrvane.ini"
WAIT_S=$(( 15 * ${ORVANE_E2E_SLOWDOWN:-1} ))

# save_with_ok CASE PROGRAM: runs PROGRAM /c:1234 and leaves its settings dialog and then its
# About box with "&Ok"; 0 once the program has ended.
save_with_ok() {
    "$wine" "$2" /c:1234 >"$WORK/saver.out" 2>&1 &
    SAVER_PID=$!
    local about dialog deadline
    about=$(wait_for_window "About The Orvane Screen Saver" "$WAIT_S") || { fail "$1: no About box"; stop_saver; return 1; }
    sleep 0.5
    xdotool windowfocus --sync "$about" 2>/dev/null
    xdotool key alt+s
    dialog=$(wait_for_window "The Orvane Settings" "$WAIT_S") || { fail "$1: no settings dialog"; stop_saver; return 1; }
    sleep 1
    shot "$1"
    xdotool windowfocus --sync "$dialog" 2>/dev/null
    xdotool key alt+o
    deadline=$(( $(now_ms) + WAIT_S * 1000 ))
    while [ "$(now_ms)" -lt "$deadline" ] && xdotool search --onlyvisible --name '^The Orvane Settings$' >/dev/null 2>&1; do
        sleep 0.1
    done
    xdotool windowfocus --sync "$about" 2>/dev/null
    xdotool key alt+o
    wait_for_exit $(( WAIT_S * 1000 ))
    [ -n "$EXIT_CODE" ] || { fail "$1: the program did not end after Ok"; stop_saver; return 1; }
    return 0
}

keys_in() { grep -ac '^[A-Za-z]*=' "$1"; }
first_bytes() { head -c "$2" "$1" | od -An -tx1 | tr -d ' \n'; }

# An ANSI file (Windows-1252: é is the one byte E9) stays ANSI, the name read and written whole.
printf '; caf\xe9\r\n[Settings]\r\nUserName=Jos\xe9\r\nUserMode=2\r\n' >"$ini"
if save_with_ok ansi "$WORK/TheOrvane.scr"; then
    if grep -aq $'^UserName=Jos\xe9\r$' "$ini" && grep -aq $'^; caf\xe9\r$' "$ini" \
        && ! iconv -f UTF-8 -t UTF-8 "$ini" >/dev/null 2>&1 && [ "$(keys_in "$ini")" = 17 ]; then
        pass "ANSI file: UserName=José read and saved in the ANSI code page with the 17 keys"
    else
        fail "ANSI file after Ok: $(od -c "$ini" | head -4 | tr -s ' ')"
    fi
fi

# A UTF-16 LE file with its mark stays UTF-16 LE throughout: nothing appended in UTF-8.
{ printf '\xff\xfe'; printf '[Settings]\r\nUserName=José\r\nUserMode=2\r\n[Other]\r\nKey=kept\r\n' | iconv -f UTF-8 -t UTF-16LE; } >"$ini"
if save_with_ok utf16 "$WORK/TheOrvane.scr"; then
    decoded="$WORK/utf16.txt"
    if [ "$(first_bytes "$ini" 2)" = fffe ] && tail -c +3 "$ini" | iconv -f UTF-16LE -t UTF-8 >"$decoded" 2>/dev/null \
        && grep -q $'^UserName=José\r$' "$decoded" && grep -q $'^Key=kept\r$' "$decoded" \
        && [ "$(keys_in "$decoded")" = 18 ]; then
        pass "UTF-16 file: UserName=José read and the 17 keys saved in UTF-16 LE, other lines kept"
    else
        fail "UTF-16 file after Ok: $(od -c "$ini" | head -4 | tr -s ' ')"
    fi
fi

# A copy in the system folder, or in a folder no one may write: the file beside it is the
# starting point, the user's own file under %APPDATA% receives the save.
per_user="$WINEPREFIX/drive_c/users/$(id -un)/AppData/Roaming/TheOrvane/TheOrvane.ini"
kept_per_user=""
[ -f "$per_user" ] && kept_per_user=$(mktemp) && cp "$per_user" "$kept_per_user"

# saved_under_appdata CASE FOLDER PROGRAM [LOCK]: a copy in FOLDER with a TheOrvane.ini beside
# it, run as PROGRAM; LOCK is run on FOLDER once both are there.
saved_under_appdata() {
    rm -f "$per_user"
    cp "$WORK/TheOrvane.scr" "$2/TheOrvane.scr"
    printf '[Settings]\r\nUserName=Admin\r\nUserMode=2\r\n[Site]\r\nKey=kept\r\n' >"$2/TheOrvane.ini"
    cp "$2/TheOrvane.ini" "$WORK/admin.ini"
    [ $# -lt 4 ] || "$4" "$2" || { echo "note: $1: cannot lock '$2' here; case left out"; return 0; }
    if save_with_ok "$1" "$3"; then
        cmp -s "$2/TheOrvane.ini" "$WORK/admin.ini" \
            && pass "$1: the TheOrvane.ini beside the program is left as it was" \
            || fail "$1: the TheOrvane.ini beside the program changed"
        if [ -f "$per_user" ] && grep -aq $'^UserName=Admin\r$' "$per_user" && grep -aq $'^Key=kept\r$' "$per_user" \
            && [ "$(keys_in "$per_user")" = 18 ]; then
            pass "$1: the save went to %APPDATA%\\TheOrvane\\TheOrvane.ini, starting from that file"
        else
            fail "$1: %APPDATA%\\TheOrvane\\TheOrvane.ini is '$(tr '\r\n' '  ' 2>/dev/null <"$per_user")'"
        fi
    fi
}
lock() { chattr +i "$1" 2>/dev/null && ! touch "$1/.probe" 2>/dev/null; }

system32="$WINEPREFIX/drive_c/windows/system32"
saved_under_appdata "system folder" "$system32" 'C:\windows\system32\TheOrvane.scr'
rm -f "$system32/TheOrvane.scr" "$system32/TheOrvane.ini"
# Wine runs as an administrator, and root writes any folder whatever its mode: only the
# immutable attribute keeps a folder from being written here.
locked="$WINEPREFIX/drive_c/OrvaneLocked"
mkdir -p "$locked"
saved_under_appdata "read-only folder" "$locked" 'C:\OrvaneLocked\TheOrvane.scr' lock
chattr -i "$locked" 2>/dev/null
rm -rf "$locked" "$per_user"
[ -n "$kept_per_user" ] && mv "$kept_per_user" "$per_user"

"${wine%/*}/wineserver" -k 2>/dev/null
finish
