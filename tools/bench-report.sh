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

# The real program on a 1920 x 1080 Xvfb: start-up to the first ring of the wipe, then 30 s of
# rain (no title, no intro): processor time over wall time, and the peak resident memory.
live=""
if command -v Xvfb >/dev/null && [ -x "$build/tests/e2e/x_probe" ]; then
    unset QT_QPA_PLATFORM  # the real program, on the X server
    . tests/e2e/xvfb_session.sh
    start_session "$build/src/theorvane" 1920x1080
    probe="$build/tests/e2e/x_probe"
    # A desktop that is not black, so the first ring can be seen arriving.
    xsetroot -solid '#336699'
    sleep 0.2
    start_saver /s
    first_ring=""
    deadline=$(( $(now_ms) + 10000 ))
    while [ "$(now_ms)" -lt "$deadline" ]; do
        # The centre of the screen turns black with the first ring (the desktop is not black).
        lit=$("$probe" pixels 958 538 4 4 2>/dev/null)
        if [ "${lit##* }" = "0" ]; then
            first_ring=$(( $(now_ms) - STARTED_MS )); break
        fi
        sleep 0.02  # the saver runs at idle priority: a busy probe would starve it
    done
    sleep 5
    hz=$(getconf CLK_TCK)
    cpu() { awk '{print $14 + $15}' "/proc/$SAVER_PID/stat"; }
    cpu0=$(cpu); t0=$(now_ms)
    sleep 30
    cpu1=$(cpu); t1=$(now_ms)
    hwm=$(awk '/^VmHWM/ {print $2}' "/proc/$SAVER_PID/status")
    stop_saver
    live="$first_ring $(( (cpu1 - cpu0) * 1000 / hz )) $(( t1 - t0 )) $hwm"
fi

# How fast the show ends on a busy machine (prints ROW lines of its own).
bash bench/stop_latency.sh "$build" >"$results/rows.txt"

python3 - "$results" "$live" <<'PY'
import json, sys, os
folder, live = sys.argv[1], sys.argv[2].split()
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
if len(live) == 4 or len(live) == 3:
    if len(live) == 3:
        live = ["nan"] + live
    first, cpu, wall, hwm = (float(v) if v else float("nan") for v in live)
    rows.append(("start-up to the first ring (Xvfb)", first, "ms", 300.0))
    rows.append(("rain CPU / wall, 30 s at 1920x1080", 100.0 * cpu / wall, "% of a core", 5.0))
    rows.append(("peak resident memory", hwm / 1024, "MB", 80.0))
else:
    rows.append(("(Xvfb or x_probe missing: no live figures)", float("nan"), "", None))
with open(os.path.join(folder, "rows.txt")) as f:
    for line in f:
        if line.startswith("ROW|"):
            _, label, value, unit, target = line.rstrip("\n").split("|")
            rows.append((label, float(value), unit, float(target) if target else None))
print(f"{'measure':60} {'value':>10}  {'unit':12} {'target':>8}  verdict")
for label, value, unit, target in rows:
    verdict = "" if target is None else ("met" if value <= target else "MISSED")
    t = "" if target is None else f"<= {target:g}"
    print(f"{label:60} {value:10.3f}  {unit:12} {t:>8}  {verdict}")
PY
