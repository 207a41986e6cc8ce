#!/usr/bin/env bash
# End to end for the Windows installer under Wine, in a scratch prefix made afresh each run:
# /S /AllUsers (and /S alone, as Wine's user is an administrator) installs TheOrvane.scr into
# system32 (the same bytes as the build's), the licence beside the uninstaller, makes it the
# current screen saver, switches screen savers on and registers the uninstaller under HKLM; the
# installed copy reads its settings from %APPDATA%\TheOrvane (seen in Wine's file trace); the
# uninstaller with /S removes the program, itself and its key, takes SCRNSAVE.EXE back only
# while it names this program, and leaves the user's TheOrvane.ini. /S /CurrentUser installs
# into %LOCALAPPDATA%\Programs\TheOrvane, registered under HKCU, and its uninstaller removes
# that copy only. Uninstalling while the show runs leaves the program to the next restart.
# Also lists the zip. Wine's user is always an administrator: what a standard user sees (no
# elevation, "Just for me" by default, no restart removal) only Windows shows.
# Usage: installer_e2e.sh SETUP_EXE PATH_TO_SCR WINE SCRATCH_PREFIX VERSION ZIP
set -u
here=$(cd "$(dirname "$0")" && pwd)
setup=$1 scr=$2 wine=$3 prefix=$4 version=$5 zip=$6
SKIP=77
[ -x "$wine" ] || { echo "SKIP: no Wine at '$wine'"; exit "$SKIP"; }
[ -f "$setup" ] || { echo "SKIP: no installer at '$setup'"; exit "$SKIP"; }

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
pass() { echo "ok:   $*"; }
check() { local what=$1; shift; if "$@"; then pass "$what"; else fail "$what"; fi; }

# A prefix of its own: what an earlier run installed must not count, and the tests' shared
# prefix stays as it is.
case "$prefix" in */installer-prefix) ;; *) echo "FAIL: unexpected scratch prefix '$prefix'"; exit 1 ;; esac
rm -rf "$prefix"
ORVANE_WINE=$wine bash "$here/../../tools/wine-prefix.sh" "$prefix" || { echo "FAIL: no Wine prefix"; exit 1; }
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wineserver=${wine%/*}/wineserver

# A private Xvfb for what needs windows (the settings dialog, a running show), where there is one.
xvfb= xvfb_display=
if command -v Xvfb >/dev/null; then
    display_file=$(mktemp)
    Xvfb -displayfd 9 -nolisten tcp -screen 0 1280x720x24 9>"$display_file" >/dev/null 2>&1 &
    xvfb=$!
    for _ in $(seq 100); do [ -s "$display_file" ] && break; sleep 0.05; done
    [ -s "$display_file" ] && xvfb_display=":$(head -n1 "$display_file")"
    rm -f "$display_file"
fi
trap '"$wineserver" -k 2>/dev/null; [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null' EXIT

system32=$prefix/drive_c/windows/system32
installed_scr='C:\windows\system32\TheOrvane.scr'
uninstaller_dir=$prefix/drive_c/Program\ Files/TheOrvane
desktop_key='HKCU\Control Panel\Desktop'
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\TheOrvane'
pending_key='HKLM\System\CurrentControlSet\Control\Session Manager'
user_uninstall_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\TheOrvane'
user_dir=$prefix/drive_c/users/$(id -un)/AppData/Local/Programs/TheOrvane
user_scr="C:\\users\\$(id -un)\\AppData\\Local\\Programs\\TheOrvane\\TheOrvane.scr"
licence=$here/../../LICENSE

# reg_value KEY NAME: the value's data as "reg query" prints it, or nothing (exit 1) when absent.
reg_value() {
    "$wine" reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' |
        awk -v name="$2" '$1 == name { sub(/^[ \t]*[^ \t]+[ \t]+REG_[A-Z_]+[ \t]+/, ""); print; found = 1 }
                          END { exit !found }'
}
no_value() { ! "$wine" reg query "$1" ${2:+/v "$2"} >/dev/null 2>&1; }
lacks() { ! grep -qiE "$1" <<<"$2"; }
same_text() { [ "$(printf '%s' "$1" | tr '[:upper:]' '[:lower:]')" = "$(printf '%s' "$2" | tr '[:upper:]' '[:lower:]')" ]; }
# The licence as installed: the repository's text with Windows line ends.
is_licence() { [ -f "$1" ] && grep -q $'\r$' "$1" && cmp -s <(tr -d '\r' <"$1") "$licence"; }
screen_savers_off() { "$wine" reg add "$desktop_key" /v ScreenSaveActive /d 0 /f >/dev/null 2>&1; }

# install [SWITCH]: a silent install, for everyone or just for me.
install() {
    "$wine" "$setup" /S "$@"
    local code=$?
    "$wineserver" -w
    [ "$code" -eq 0 ] || fail "installer /S $*: exit code $code"
}

# uninstall [UNINSTALLER]: the uninstaller copies itself to a temporary folder and the first
# process ends at once; wineserver -w waits for the copy to finish.
uninstall() {
    "$wine" "${1:-C:\Program Files\TheOrvane\Uninstall.exe}" /S
    local code=$?
    "$wineserver" -w
    [ "$code" -eq 0 ] || fail "uninstaller /S: exit code $code"
}

# 1. A silent install for everyone, by a user who had screen savers off.
screen_savers_off
install /AllUsers
check "TheOrvane.scr in system32 is the build's program" cmp -s "$scr" "$system32/TheOrvane.scr"
value=$(reg_value "$desktop_key" SCRNSAVE.EXE)
check "SCRNSAVE.EXE names the installed copy ('$value')" same_text "$value" "$installed_scr"
check "screen savers are switched on (ScreenSaveActive 1)" [ "$(reg_value "$desktop_key" ScreenSaveActive)" = 1 ]
check "LICENSE.txt beside the uninstaller is the licence, with CR LF" is_licence "$uninstaller_dir/LICENSE.txt"
check "nothing is installed just for this user" no_value "$user_uninstall_key"
check "DisplayName is 'The Orvane'" [ "$(reg_value "$uninstall_key" DisplayName)" = "The Orvane" ]
check "DisplayVersion is '$version'" [ "$(reg_value "$uninstall_key" DisplayVersion)" = "$version" ]
value=$(reg_value "$uninstall_key" UninstallString)
check "UninstallString is the quoted uninstaller ('$value')" \
    same_text "$value" '"C:\Program Files\TheOrvane\Uninstall.exe"'
check "the uninstaller is where UninstallString says" [ -f "$uninstaller_dir/Uninstall.exe" ]

# 2. The installed copy's settings file: the system folder is writable under Wine, so only the
# system-folder rule keeps the settings out of it. A preview request without a window handle
# ends at once, after the settings are read; Wine's file trace shows what was opened.
appdata_ini=$prefix/drive_c/users/$(id -un)/AppData/Roaming/TheOrvane/TheOrvane.ini
mkdir -p "${appdata_ini%/*}"
printf '[Settings]\r\nUserName=Kept\r\n' >"$appdata_ini"
trace=$(WINEDEBUG=trace+file "$wine" "$installed_scr" /p 2>&1 | tr -d '\r' | grep 'trace:file:CreateFileW L"')
# (Wine's trace doubles each backslash.)
check "the installed copy reads %APPDATA%\\TheOrvane\\TheOrvane.ini" \
    grep -qE 'CreateFileW L"C:\\\\users\\\\[^"]*\\\\AppData\\\\Roaming\\\\TheOrvane\\\\TheOrvane\.ini" GENERIC_READ' <<<"$trace"
check "and opens nothing of its own in system32 (no settings file, no write probe)" \
    lacks 'CreateFileW L"C:\\\\windows\\\\system32\\\\(TheOrvane\.ini|\.TheOrvane)' "$trace"
"$wineserver" -w

# 2b. What the installed copy's settings dialog saves lands there too, the first save making
# the folder: "&Settings", "&Ok" in the dialog, "&Ok" in the About box, on a private Xvfb.
if [ -n "$xvfb_display" ] && command -v xdotool >/dev/null; then
    rm -rf "${appdata_ini%/*}"
    export DISPLAY=$xvfb_display
    "$wineserver" -k 2>/dev/null
    "$wine" "$installed_scr" /c:1234 >/dev/null 2>&1 &
    configuring=$!
    find_window() { timeout 20 xdotool search --sync --onlyvisible --name "^$1\$" 2>/dev/null | head -n1; }
    about=$(find_window "About The Orvane Screen Saver")
    if [ -n "$about" ]; then
        xdotool windowfocus --sync "$about" key alt+s
        dialog=$(find_window "The Orvane Settings")
        [ -n "$dialog" ] && xdotool windowfocus --sync "$dialog" key alt+o
        sleep 3
        xdotool windowfocus --sync "$about" key alt+o
    fi
    timeout 20 tail --pid="$configuring" -f /dev/null
    kill "$configuring" 2>/dev/null
    unset DISPLAY
    "$wineserver" -k 2>/dev/null
    check "the installed copy's settings dialog saved the 17 keys into %APPDATA%\\TheOrvane" \
        [ "$(grep -c '^[A-Za-z]*=' "$appdata_ini" 2>/dev/null)" = 17 ]
    printf '[Settings]\r\nUserName=Kept\r\n' >"$appdata_ini"
fi

# 3. A silent uninstall.
uninstall
check "the program is gone" [ ! -e "$system32/TheOrvane.scr" ]
# (The uninstaller's copy removes its folder last; give it a moment.)
for _ in $(seq 50); do [ -e "$uninstaller_dir" ] || break; sleep 0.2; done
check "the uninstaller and its folder are gone" [ ! -e "$uninstaller_dir" ]
check "the Uninstall key is gone" no_value "$uninstall_key"
check "SCRNSAVE.EXE is taken back" no_value "$desktop_key" SCRNSAVE.EXE
check "the user's TheOrvane.ini stays byte for byte" \
    [ "$(cat "$appdata_ini" 2>/dev/null)" = "$(printf '[Settings]\r\nUserName=Kept\r\n')" ]

# 4. Just for me: the program, its licence and uninstaller in the user's own programs folder,
# registered under HKCU, nothing for everyone.
screen_savers_off
install /CurrentUser
check "TheOrvane.scr in %LOCALAPPDATA%\\Programs\\TheOrvane is the build's program" \
    cmp -s "$scr" "$user_dir/TheOrvane.scr"
check "LICENSE.txt beside it is the licence" is_licence "$user_dir/LICENSE.txt"
value=$(reg_value "$desktop_key" SCRNSAVE.EXE)
check "SCRNSAVE.EXE names the copy just for me ('$value')" same_text "$value" "$user_scr"
check "screen savers are switched on" [ "$(reg_value "$desktop_key" ScreenSaveActive)" = 1 ]
value=$(reg_value "$user_uninstall_key" UninstallString)
check "HKCU's UninstallString is the quoted uninstaller beside it ('$value')" \
    same_text "$value" "\"${user_scr%\\*}\\Uninstall.exe\""
check "and it is there" [ -f "$user_dir/Uninstall.exe" ]
check "nothing in system32, nothing under HKLM" \
    eval '[ ! -e "$system32/TheOrvane.scr" ] && no_value "$uninstall_key"'

# 5. Both copies (/S alone: an administrator's default is the install for everyone); each
# uninstaller removes its own. Another screen saver chosen since the install (here the copy
# for everyone, installed last) is the user's choice and stays.
install
check "/S alone by an administrator installs for everyone" \
    same_text "$(reg_value "$uninstall_key" InstallLocation)" 'C:\Program Files\TheOrvane'
uninstall "${user_scr%\\*}\\Uninstall.exe"
for _ in $(seq 50); do [ -e "$user_dir" ] || break; sleep 0.2; done
check "the copy just for me, its uninstaller and folder are gone" [ ! -e "$user_dir" ]
check "HKCU's Uninstall key is gone" no_value "$user_uninstall_key"
check "the copy for everyone and its key stay" \
    eval 'cmp -s "$scr" "$system32/TheOrvane.scr" && [ -n "$(reg_value "$uninstall_key" UninstallString)" ]'
check "SCRNSAVE.EXE naming another screen saver is kept" \
    same_text "$(reg_value "$desktop_key" SCRNSAVE.EXE)" "$installed_scr"

# 6. Uninstalling while the show runs (where there is an X server): the program goes at the
# next restart, all the rest at once. wineserver -w would wait for the show, so the
# uninstaller's folder going marks its end. SCRNSAVE.EXE naming this program in another case
# is still this one and goes.
"$wine" reg add "$desktop_key" /v SCRNSAVE.EXE /d 'C:\WINDOWS\SYSTEM32\THEORVANE.SCR' /f >/dev/null 2>&1
show=
if [ -n "$xvfb_display" ]; then
    "$wineserver" -k 2>/dev/null
    DISPLAY=$xvfb_display "$wine" "$installed_scr" /s >/dev/null 2>&1 &
    show=$!
    if command -v xdotool >/dev/null; then
        DISPLAY=$xvfb_display timeout 20 xdotool search --sync --name '^Win0$' >/dev/null 2>&1
    else
        sleep 3
    fi
    "$wine" 'C:\Program Files\TheOrvane\Uninstall.exe' /S
    for _ in $(seq 100); do [ -e "$uninstaller_dir" ] || break; sleep 0.2; done
    sleep 0.5
    check "the show was still running" kill -0 "$show"
    check "while it runs: the uninstaller, its folder and key are gone" \
        eval '[ ! -e "$uninstaller_dir" ] && no_value "$uninstall_key"'
    check "the running program stays, listed for removal at the next restart" \
        eval '[ -e "$system32/TheOrvane.scr" ] &&
              reg_value "$pending_key" PendingFileRenameOperations | grep -qiF "system32\\TheOrvane.scr"'
    "$wineserver" -k 2>/dev/null
    wait "$show" 2>/dev/null
    "$wine" wineboot -r >/dev/null 2>&1
    "$wineserver" -w
else
    uninstall
fi
check "SCRNSAVE.EXE naming this program in capitals is taken back" no_value "$desktop_key" SCRNSAVE.EXE
check "the second install's program is gone too${show:+ after a restart}" [ ! -e "$system32/TheOrvane.scr" ]

# 7. The zip for installing by hand.
if [ -f "$zip" ]; then
    listing=$(zip -sf "$zip" 2>/dev/null | awk 'NF == 1 && $1 !~ /:$/ {print $1}' | sort | tr '\n' ' ')
    check "the zip holds INSTALL.txt, LICENSE.txt and TheOrvane.scr ('$listing')" \
        [ "$listing" = "INSTALL.txt LICENSE.txt TheOrvane.scr " ]
    zipped=$(mktemp -d)
    (cd "$zipped" && cmake -E tar xf "$(realpath "$zip")" 2>/dev/null)  # (CMake unpacks zips too)
    check "its LICENSE.txt is the licence" is_licence "$zipped/LICENSE.txt"
    rm -rf "$zipped"
else
    fail "no zip at '$zip'"
fi

echo "installer: $(stat -c %s "$setup") bytes"
if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed"; exit 1
fi
echo "all checks passed"
