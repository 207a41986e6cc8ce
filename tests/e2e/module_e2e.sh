#!/usr/bin/env bash
# End to end in module mode, as a settings app's preview pane runs the program: the show drawn
# into a small plain window that the test made (200 x 150, no children), its pixels tinted by
# the rain and the desktop outside untouched; no window of the program's own at the top level;
# SIGTERM, SIGINT and SIGHUP end it with code 0; a host that resizes its window leaves it
# running and one that destroys it ends it; window ids that name no window end at once with a
# one-line message and code 0.
# Usage: module_e2e.sh PATH_TO_THEORVANE PATH_TO_X_PROBE
set -u
here=$(cd "$(dirname "$0")" && pwd)
. "$here/xvfb_session.sh"
require_tools xwininfo xsetroot

binary=$1
probe=${2:-}
[ -x "$probe" ] || skip "no x_probe (X11 headers missing at build time)"
start_session "$binary" 1280x720
xsetroot -solid '#336699'

PANE=(100 100 200 150)
RAIN_WITHIN_S=20          # the rain fills a few columns of the pane within seconds
SIGNAL_END_WITHIN_MS=1000
pane_pid=

# make_pane: a plain window at PANE; PANE_ID.
make_pane() {
    "$probe" window "${PANE[@]}" >"$WORK/pane" &
    pane_pid=$!
    wait_until 2000 test -s "$WORK/pane"
    PANE_ID=$(cat "$WORK/pane")
}
drop_pane() { [ -n "$pane_pid" ] && kill "$pane_pid" 2>/dev/null; wait "$pane_pid" 2>/dev/null; pane_pid=; }
trap 'drop_pane; cleanup' EXIT
# in_pane: the show's window is the pane's child (its stop signals are handled from then on).
in_pane() { xwininfo -id "$PANE_ID" -children | grep -q '"Win0"'; }

outside_hash() {
    # Everything of the screen but the pane: the four bands around it.
    echo "$("$probe" pixels 0 0 1280 100) $("$probe" pixels 0 250 1280 470)" \
         "$("$probe" pixels 0 100 100 150) $("$probe" pixels 300 100 980 150)"
}

# 1. The preview: tinted inside, untouched outside, nothing of ours at the top level.
make_pane
before=$(outside_hash)
start_saver --window-id "$PANE_ID"
wait_for_greens "$RAIN_WITHIN_S" 200 "${PANE[@]}" \
    && pass "the pane shows the rain's tint ($GREENS green pixels)" \
    || fail "the pane shows $GREENS green pixels after ${RAIN_WITHIN_S} s"
[ "$(outside_hash)" = "$before" ] && pass "the desktop outside the pane is untouched" \
    || fail "pixels outside the pane changed"
top=$(xwininfo -root -children | grep -E '"(Win[0-9]+|Form3)"')
[ -z "$top" ] && pass "no saver window or mask strip at the top level" \
    || fail "top-level windows of the program: $top"
in_pane && pass "the drawing window is the pane's child" \
    || fail "no child 'Win0' in the pane"

# 2. A host that resizes its window: the show goes on at its first size.
xdotool windowsize "$PANE_ID" 320 240
expect_running "pane resized to 320 x 240"

# 3. Signals, each in a fresh show.
for signal in TERM INT HUP; do
    if [ "$signal" != TERM ]; then start_saver --window-id "$PANE_ID"; wait_until 10000 in_pane; fi
    kill -"$signal" "$SAVER_PID"
    INPUT_MS=$(now_ms)
    expect_end "SIG$signal in module mode" "$SIGNAL_END_WITHIN_MS"
done

# 4. A host that destroys its window ends the show.
start_saver --window-id "$PANE_ID"
wait_until 10000 in_pane
drop_pane
INPUT_MS=$(now_ms)
expect_end "the pane destroyed" 2000

# 5. --root without the host's variable: the root window of the screen.
start_saver --root
wait_for_greens "$RAIN_WITHIN_S" 1000 0 0 1280 720 \
    && pass "--root draws on the root window ($GREENS green pixels)" \
    || fail "--root: $GREENS green pixels after ${RAIN_WITHIN_S} s"
kill -TERM "$SAVER_PID" 2>/dev/null
INPUT_MS=$(now_ms)
expect_end "SIGTERM after --root" "$SIGNAL_END_WITHIN_MS"

# 6. Window ids that name no usable window.
for args in "--window-id" "--window-id 0" "--window-id 0x7ffffff" "--window-id 12ab" \
            "-window-id -3" "ROOT=junk"; do
    if [ "$args" = ROOT=junk ]; then
        out=$(XSCREENSAVER_WINDOW=junk timeout 10 "$WORK/theorvane" --root 2>&1); code=$?
    else
        # shellcheck disable=SC2086
        out=$(timeout 10 "$WORK/theorvane" $args 2>&1); code=$?
    fi
    lines=$(printf '%s' "$out" | grep -c '')
    if [ "$code" -eq 0 ] && [ "$lines" -eq 1 ] && [ "${out#theorvane: }" != "$out" ]; then
        pass "'$args': code 0, one line: $out"
    else
        fail "'$args': code $code, output '$out'"
    fi
done
[ -z "$(program_windows)" ] && pass "no window of the program left" \
    || fail "windows left behind: $(program_windows | tr '\n' ' ')"

finish
