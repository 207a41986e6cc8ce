#!/usr/bin/env bash
# The headless renderer gives the same pictures, byte for byte, for the same options; the
# pictures show the show (not all black), and bad options end with a message.
set -u
render=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export QT_QPA_PLATFORM=offscreen
options=(--monitors 320x240,200x160+320+0 --seed 99 --start-tick 4294960000 --at 3s,7500ms)
"$render" "${options[@]}" --out "$work/a" >/dev/null 2>&1 || { echo "FAIL: first run"; exit 1; }
"$render" "${options[@]}" --out "$work/b" >/dev/null 2>&1 || { echo "FAIL: second run"; exit 1; }
count=$(ls "$work/a" | wc -l)
[ "$count" -eq 4 ] || { echo "FAIL: $count pictures, expected 4"; exit 1; }
for f in "$work"/a/*.png; do
    cmp -s "$f" "$work/b/$(basename "$f")" || { echo "FAIL: $(basename "$f") differs"; exit 1; }
done
# Two pictures of the title at different times differ: the show moved.
cmp -s "$work/a/frame-m0-3000.png" "$work/a/frame-m0-7500.png" && { echo "FAIL: nothing moved"; exit 1; }
if "$render" --monitors 0x0 --at 1s >/dev/null 2>&1; then echo "FAIL: a 0x0 monitor was accepted"; exit 1; fi
if "$render" --at soon >/dev/null 2>&1; then echo "FAIL: a bad time was accepted"; exit 1; fi
echo "ok: $count pictures, identical on both runs"
