#!/usr/bin/env bash
# End to end in configuration mode: "&Ok" in the settings dialog when the settings file lies in
# a folder the program cannot write. The program must say so in a message box and leave the
# file exactly as it was. As a counter-check, with no file beside the program the settings go
# to the per-user folder, where "&Ok" writes them without any message.
# The program runs as an unprivileged user (root writes through any permission).
# Usage: readonly_save_e2e.sh PATH_TO_THEORVANE
set -u
here=$(cd "$(dirname "$0")" && pwd)
. "$here/xvfb_session.sh"
require_tools cmp

ABOUT_TITLE="About The Orvane Screen Saver"
SETTINGS_TITLE="The Orvane Settings"   # the dialog's caption, and the failure message's too
CLOSE_WITHIN_MS=5000

if [ "$(id -u)" -eq 0 ]; then
    require_tools setpriv
    id nobody >/dev/null 2>&1 || skip "no user 'nobody' to run as"
    RUN_AS=(setpriv --reuid=nobody --regid="$(id -g nobody)" --clear-groups)
    OWNER=nobody
else
    RUN_AS=()
    OWNER=$(id -un)
fi

# Clients of another user need the server without access control.
XVFB_EXTRA_ARGS=-ac start_session "$1" 1280x1024
chmod 755 "$WORK"
# The sanitizers' suppressions, where that user can read them (the tree may lie in root's home).
if [[ "${LSAN_OPTIONS:-}" =~ suppressions=([^:]+) ]]; then
    install -m 644 "${BASH_REMATCH[1]}" "$WORK/lsan.supp"
    export LSAN_OPTIONS=${LSAN_OPTIONS/${BASH_REMATCH[1]}/$WORK/lsan.supp}
fi

# A settings file the writer would not produce as it stands: CR LF line ends, a comment, keys
# out of the writer's order, a scroll speed that is saved back as 2400.
ORIGINAL="$WORK/original.ini"
printf '; hand-edited\r\n[PowerSave]\r\nSuspendTimeout=3\r\n[Settings]\r\nShowTitle=0\r\nOverallSpeed=2300\r\n' \
    >"$ORIGINAL"

# make_run CASE WITH_FILE: a read-only program folder (with or without the settings file), a
# home and runtime folder for the user; sets DIR, HOME_DIR.
make_run() {
    DIR="$WORK/$1/program"
    HOME_DIR="$WORK/$1/home"
    mkdir -p "$DIR" "$HOME_DIR/runtime"
    chmod 755 "$WORK/$1"
    cp "$WORK/theorvane" "$DIR/theorvane"
    if [ "$2" = with-file ]; then
        cp "$ORIGINAL" "$DIR/TheOrvane.ini"
        chmod 444 "$DIR/TheOrvane.ini"
    fi
    chmod 555 "$DIR"
    chmod 700 "$HOME_DIR/runtime"
    chown -R "$OWNER" "$HOME_DIR"
}

start_configuration() {
    STARTED_MS=$(now_ms)
    "${RUN_AS[@]}" env HOME="$HOME_DIR" XDG_CONFIG_HOME="$HOME_DIR/.config" \
        XDG_RUNTIME_DIR="$HOME_DIR/runtime" "$DIR/theorvane" /c >"$WORK/saver.out" 2>&1 &
    SAVER_PID=$!
}

# visible_other TITLE NOT_ID TIMEOUT_MS: prints a visible window with that title other than
# NOT_ID once one appears.
visible_other() { wait_until "$3" visible_window "$1" "$2"; }
# shown TITLE ID: the window is visible with that title.
shown() { xdotool search --onlyvisible --name "^$1\$" | grep -qx "$2"; }

# open_and_accept CASE: opens the About box, its "&Settings", then "&Ok"; sets ABOUT, DIALOG.
open_and_accept() {
    ABOUT=$(wait_for_window "$ABOUT_TITLE") || { fail "$1: no About box"; return 1; }
    xdotool windowfocus --sync "$ABOUT"
    xdotool key alt+s
    DIALOG=$(wait_for_window "$SETTINGS_TITLE" 5) || { fail "$1: '&Settings' opened no dialog"; return 1; }
    pass "$1: the settings dialog is open ($(geometry_of "$DIALOG"))"
    xdotool windowfocus --sync "$DIALOG"
    xdotool key alt+o
}

close_about() {
    xdotool windowfocus --sync "$ABOUT"
    xdotool key Escape
    INPUT_MS=$(now_ms)
    expect_end "$1: About box closed" "$CLOSE_WITHIN_MS"
}

# 1. The file beside the program, in a folder the program cannot write.
make_run readonly with-file
start_configuration
if open_and_accept "read-only folder"; then
    if message=$(visible_other "$SETTINGS_TITLE" "$DIALOG" 5000); then
        pass "read-only folder: a message box appeared ($(geometry_of "$message"))"
        if shown "$SETTINGS_TITLE" "$DIALOG"; then
            fail "read-only folder: the settings dialog is still open under the message"
        fi
        xdotool windowfocus --sync "$message"
        xdotool key Return
        returned=$(now_ms)
        wait_until 500 eval '! shown "$SETTINGS_TITLE" "$message"' \
            || fail "read-only folder: Return did not dismiss the message box"
        # The About box stays, to half a second after the Return.
        if wait_until $((returned + 500 - $(now_ms))) eval '! shown "$ABOUT_TITLE" "$ABOUT"'; then
            fail "read-only folder: the About box went away with the message"
        else
            pass "read-only folder: the About box is still open"
        fi
    else
        fail "read-only folder: no message box within 5 s of '&Ok'"
    fi
    close_about "read-only folder"
fi
stop_saver
if cmp -s "$ORIGINAL" "$DIR/TheOrvane.ini"; then
    pass "read-only folder: the settings file is unchanged, byte for byte"
else
    fail "read-only folder: the settings file changed:"; od -c "$DIR/TheOrvane.ini" | head -n 8
fi
listing=$(ls -A "$DIR" | tr '\n' ' ')
[ "$listing" = "TheOrvane.ini theorvane " ] && pass "read-only folder: nothing new in the folder" \
    || fail "read-only folder: the folder holds '$listing'"
[ ! -e "$HOME_DIR/.config/TheOrvane" ] && pass "read-only folder: nothing saved elsewhere instead" \
    || fail "read-only folder: the settings went to $HOME_DIR/.config/TheOrvane instead"

# 2. Counter-check: no file beside the program, so the per-user folder is used and "&Ok" saves
# there, quietly.
make_run peruser without-file
start_configuration
if open_and_accept "per-user folder"; then
    if message=$(visible_other "$SETTINGS_TITLE" "$DIALOG" 2000); then
        fail "per-user folder: a message box appeared ($(geometry_of "$message"))"
        xdotool windowfocus --sync "$message"; xdotool key Return
    else
        pass "per-user folder: no message box within 2 s of '&Ok'"
    fi
    saved="$HOME_DIR/.config/TheOrvane/TheOrvane.ini"
    if grep -q '^UseEscapeLMBExit=0' "$saved" 2>/dev/null && grep -q '^\[Settings\]' "$saved"; then
        pass "per-user folder: the settings were saved to $saved"
    else
        fail "per-user folder: no settings saved to $saved"
    fi
    close_about "per-user folder"
fi
stop_saver

finish
