#!/usr/bin/env bash
# Renders the pictures of the README into docs/pictures: the show on a virtual 960 x 540 monitor
# (fixed seed and clock, so every run gives the same pictures) and the configuration windows.
# Usage: tools/readme-pictures.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
out=docs/pictures
tools/install-deps.sh all
cmake --preset default >/dev/null
cmake --build "$build" --target theorvane-render config_snapshots
mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export QT_QPA_PLATFORM=offscreen

# A plain desktop for the wipe to eat.
convert -size 960x540 gradient:'#3a6ea5-#c8d8e8' -fill white -draw "rectangle 60,60 420,300" \
    -fill '#204060' -draw "rectangle 60,60 420,84" -fill '#d0d0d0' \
    -draw "rectangle 80,100 400,120" -draw "rectangle 80,130 340,150" "$work/desktop.png"

render() { "$build/tools/theorvane-render" --monitors 960x540 --seed 0 --out "$work" "$@" >/dev/null; }
render --desktop "$work/desktop.png" --prefix show --at 3.5ms,4s,6.2s,16.5s,32s,43.5s,58s,90s
cp "$work/show-m0-3.png" "$out/wipe.png"
cp "$work/show-m0-4000.png" "$out/title.png"
cp "$work/show-m0-6200.png" "$out/title-fade.png"
cp "$work/show-m0-16500.png" "$out/trace-program.png"
cp "$work/show-m0-32000.png" "$out/phone-trace.png"
cp "$work/show-m0-43500.png" "$out/phone-trace-found.png"
cp "$work/show-m0-58000.png" "$out/wake-up.png"
cp "$work/show-m0-90000.png" "$out/rain.png"

printf '[Settings]\nShowTitle=0\nShowIntro=0\n[PowerSave]\nSuspendTimeout=1\n' > "$work/powersave.ini"
render --settings "$work/powersave.ini" --prefix save --at 65s
cp "$work/save-m0-65000.png" "$out/power-save.png"

"$build/tools/config_snapshots" "$work" >/dev/null
cp "$work/about_box.png" "$out/about-box.png"
for page in 1 2 3; do cp "$work/settings_page$page.png" "$out/settings-$page.png"; done
ls "$out"
