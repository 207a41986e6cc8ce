#!/usr/bin/env bash
# Runs every benchmark and measuring script and prints one table of figures against targets.
# Usage: tools/bench-report.sh [BUILD_DIR]   (make bench builds and runs it)
set -uo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
results=$(mktemp -d)
trap 'rm -rf "$results"' EXIT
export QT_QPA_PLATFORM=offscreen

"$build/bench/glyph_sheet_bench" --benchmark_format=json --benchmark_min_time=0.5 \
    >"$results/glyph.json" 2>/dev/null
"$build/bench/rain_frame_bench" --benchmark_format=json >"$results/rain.json" 2>/dev/null
"$build/bench/show_bench" --benchmark_format=json >"$results/show.json" 2>/dev/null

# The real program on Xvfb: start-up to the first ring, peak memory, and the processor time of
# the program and the X server by both ways of presenting (prints ROW lines of its own).
: >"$results/rows.txt"
if command -v Xvfb >/dev/null && [ -x "$build/tests/e2e/x_probe" ]; then
    (unset QT_QPA_PLATFORM; bash bench/present_cpu.sh "$build") >>"$results/rows.txt"
fi

# The Windows program under Wine beside the Linux one (prints ROW lines of its own).
if [ -f "${ORVANE_WINDOWS_BUILD:-build-windows}/TheOrvane.scr" ]; then
    (unset QT_QPA_PLATFORM; bash bench/windows_cpu.sh "$build" "${ORVANE_WINDOWS_BUILD:-build-windows}") \
        >>"$results/rows.txt"
fi

# How fast the show ends on a busy machine (prints ROW lines of its own).
(unset QT_QPA_PLATFORM; bash bench/stop_latency.sh "$build") >>"$results/rows.txt"

# The show on Wayland (headless sway) beside the X11 direct path, and its end under load.
if command -v sway >/dev/null && [ -x "$build/tests/e2e/wayland_input" ]; then
    (unset QT_QPA_PLATFORM; bash bench/wayland_cpu.sh "$build") >>"$results/rows.txt"
fi

python3 - "$results" <<'PY'
import json, sys, os
folder = sys.argv[1]
def load(name):
    with open(os.path.join(folder, name)) as f:
        return {b["name"]: b for b in json.load(f)["benchmarks"]}
def ms(b):
    scale = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}[b["time_unit"]]
    return b["cpu_time"] * scale
rows = []
glyph = load("glyph.json")
rows.append(("glyph sheet build", ms(next(iter(glyph.values()))), "ms", 2.0))
rain = load("rain.json")
for name, b in rain.items():
    parts = dict(p.split(":") for p in name.split("/")[1:] if ":" in p)
    if "width" not in parts or parts["width"] == "640":
        continue
    label = f"rain frame {parts['width']}x{parts['height']} density {parts['density']}"
    rows.append((label, ms(b), "ms", 0.5 if parts["width"] == "1920" else 2.0))
show = load("show.json")
for name, b in show.items():
    if name.startswith("titleStep"):
        rows.append(("title step 1920x1080", b["step"] * 1e3, "ms", None))
    elif name.startswith("phoneTracePass"):
        rows.append(("phone trace pass 1920x1080", b["pass"] * 1e3, "ms", None))
    elif name.startswith("gradientRender"):
        rows.append(("gradient panel render 440x302", ms(b), "ms", None))
with open(os.path.join(folder, "rows.txt")) as f:
    for line in f:
        if line.startswith("ROW|"):
            _, label, value, unit, target = line.rstrip("\n").split("|")
            rows.append((label, float(value), unit, float(target) if target else None))
if not any(label.startswith("rain ") for label, *_ in rows):
    rows.append(("(Xvfb or x_probe missing: no live figures)", float("nan"), "", None))
print(f"{'measure':60} {'value':>10}  {'unit':12} {'target':>8}  verdict")
for label, value, unit, target in rows:
    verdict = "" if target is None else ("met" if value <= target else "MISSED")
    t = "" if target is None else f"<= {target:g}"
    print(f"{label:60} {value:10.3f}  {unit:12} {t:>8}  {verdict}")
PY
