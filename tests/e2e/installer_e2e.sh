#!/usr/bin/env bash
# End to end for the Windows installer under Wine, in a scratch prefix made afresh each run:
# /S installs TheOrvane.scr into system32 (the same bytes as the build's), makes it the current
# screen saver and registers the uninstaller; the installed copy reads its settings from
# %APPDATA%\TheOrvane (seen in Wine's file trace); the uninstaller with /S removes the program,
# itself and its key, takes SCRNSAVE.EXE back only while it names this program, and leaves the
# user's TheOrvane.ini. Also lists the zip.
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
trap '"$wineserver" -k 2>/dev/null' EXIT

system32=$prefix/drive_c/windows/system32
installed_scr='C:\windows\system32\TheOrvane.scr'
uninstaller_dir=$prefix/drive_c/Program\ Files/TheOrvane
desktop_key='HKCU\Control Panel\Desktop'
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\TheOrvane'

# reg_value KEY NAME: the value's data as "reg query" prints it, or nothing (exit 1) when absent.
reg_value() {
    "$wine" reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' |
        awk -v name="$2" '$1 == name { sub(/^[ \t]*[^ \t]+[ \t]+REG_[A-Z_]+[ \t]+/, ""); print; found = 1 }
                          END { exit !found }'
}
no_value() { ! "$wine" reg query "$1" ${2:+/v "$2"} >/dev/null 2>&1; }
lacks() { ! grep -qiE "$1" <<<"$2"; }
same_text() { [ "$(printf '%s' "$1" | tr '[:upper:]' '[:lower:]')" = "$(printf '%s' "$2" | tr '[:upper:]' '[:lower:]')" ]; }

install() {
    "$wine" "$setup" /S
    local code=$?
    "$wineserver" -w
    [ "$code" -eq 0 ] || fail "installer /S: exit code $code"
}

# The uninstaller copies itself to a temporary folder and the first process ends at once;
# wineserver -w waits for the copy to finish.
uninstall() {
    "$wine" 'C:\Program Files\TheOrvane\Uninstall.exe' /S
    local code=$?
    "$wineserver" -w
    [ "$code" -eq 0 ] || fail "uninstaller /S: exit code $code"
}

# 1. A silent install.
install
check "TheOrvane.scr in system32 is the build's program" cmp -s "$scr" "$system32/TheOrvane.scr"
value=$(reg_value "$desktop_key" SCRNSAVE.EXE)
check "SCRNSAVE.EXE names the installed copy ('$value')" same_text "$value" "$installed_scr"
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
if command -v Xvfb >/dev/null && command -v xdotool >/dev/null; then
    rm -rf "${appdata_ini%/*}"
    display_file=$(mktemp)
    Xvfb -displayfd 9 -nolisten tcp -screen 0 1280x720x24 9>"$display_file" >/dev/null 2>&1 &
    xvfb=$!
    for _ in $(seq 100); do [ -s "$display_file" ] && break; sleep 0.05; done
    export DISPLAY=":$(head -n1 "$display_file")"
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
    kill "$configuring" "$xvfb" 2>/dev/null
    wait "$xvfb" 2>/dev/null
    rm -f "$display_file"
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

# 4. Another screen saver chosen since the install is the user's choice and stays; this one
# named in another case is still this one and goes.
install
"$wine" reg add "$desktop_key" /v SCRNSAVE.EXE /d 'C:\windows\system32\Other.scr' /f >/dev/null 2>&1
uninstall
check "SCRNSAVE.EXE naming another screen saver is kept" \
    same_text "$(reg_value "$desktop_key" SCRNSAVE.EXE)" 'C:\windows\system32\Other.scr'
install
"$wine" reg add "$desktop_key" /v SCRNSAVE.EXE /d 'C:\WINDOWS\SYSTEM32\THEORVANE.SCR' /f >/dev/null 2>&1
uninstall
check "SCRNSAVE.EXE naming this program in capitals is taken back" no_value "$desktop_key" SCRNSAVE.EXE
check "the second install's program is gone too" [ ! -e "$system32/TheOrvane.scr" ]

# 5. The zip for installing by hand.
if [ -f "$zip" ]; then
    listing=$(zip -sf "$zip" 2>/dev/null | awk 'NF == 1 && $1 !~ /:$/ {print $1}' | sort | tr '\n' ' ')
    check "the zip holds INSTALL.txt and TheOrvane.scr ('$listing')" [ "$listing" = "INSTALL.txt TheOrvane.scr " ]
else
    fail "no zip at '$zip'"
fi

echo "installer: $(stat -c %s "$setup") bytes"
if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed"; exit 1
fi
echo "all checks passed"
