#!/usr/bin/env python3
"""Mutation testing: does the test suite notice when one comparison, constant or call is wrong?

Applies one small change (a mutant) at a time to a source file, rebuilds with Ninja only what
that change touches, runs the tests that can see the file and records whether they caught it.
The file is restored whatever happens: on error, on Ctrl-C, on SIGTERM or SIGHUP, and on the
next start if the process was killed outright.

Usage: tools/mutants.py [FILE...]      (default: every .cpp and .h under src/ but the entry points
                                        and the code only the Windows build compiles)

Environment:
  MUTANTS_BUILD    build tree to mutate in (default build-mutants; configured by `make mutants`)
  MUTANTS_SAMPLE   try N mutants drawn at random, the same number from each module (default:
                   every mutant)
  MUTANTS_SEED     seed of that draw (default 1)
  MUTANTS_JOBS     Ninja and CTest jobs (default 1); builds and tests run under nice -n 19
  MUTANTS_OUT      folder of the results and report (default $MUTANTS_BUILD/mutants)
  MUTANTS_FRESH=1  forget the results of an earlier run with the same files and sample;
                   otherwise such a run resumes where it stopped
  MUTANTS_RETRY=survived  try again only the mutants of the earlier run that had that outcome
                   (after new assertions: the tests only grew, so what they caught stays
                   caught); mutants it never tried stay untried
  MUTANTS_RETRY_IN  with MUTANTS_RETRY, only in files matching this regular expression
  MUTANTS_LIST=1   only list the mutants that would run, then stop

Outcomes: caught (a test failed), timed-out (the tests ran far longer than without the change;
counted as caught), survived (every test passed), did-not-build (the compiler refused it, with
warnings as errors), equivalent (listed in tools/mutants-equivalent.txt, not run). The score of a
module is (caught + timed-out) / (caught + timed-out + survived).
"""

import datetime
import json
import os
import random
import re
import signal
import subprocess
import sys
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
EQUIVALENT_LIST = ROOT / "tools" / "mutants-equivalent.txt"
ENTRY_POINTS = {"src/host/main.cpp", "src/host/win_main.cpp"}
# Code only the Windows build compiles (its tests run under Wine, in another build tree).
def windows_only(path):
    return "/win32/" in path or path.endswith("_win32.cpp")

# Test labels (tests/<module>/ folders) that can see a module's code, the module's own tests
# first: they are the likeliest to catch its mutants, and the others are built and run only
# when they did not. The engine (host, show, rain, intro) is linked into every test program;
# platform/common and platform/virtual into the show, rain and intro tests through the virtual
# platform; widgets into the configuration dialogs. The end-to-end tests (label e2e) need
# Xvfb and minutes per run, so they are left out.
SEEN_BY = {
    "host": ["host", "config", "show", "rain", "intro", "platform", "widgets"],
    "show": ["show", "rain", "intro", "platform", "host", "widgets", "config"],
    "rain": ["rain", "show", "intro", "platform", "host", "widgets", "config"],
    "intro": ["intro", "show", "rain", "platform", "host", "widgets", "config"],
    "platform": ["platform", "intro", "show", "rain"],
    "widgets": ["widgets", "config"],
    "config": ["config"],
}

# ---------------------------------------------------------------------------------------------
# Finding mutants


def code_mask(text):
    """True for each character that is code: not in a comment, a string or character literal,
    or a preprocessor line."""
    mask = [True] * len(text)
    i, n = 0, len(text)
    line_start = True
    while i < n:
        c = text[i]
        if line_start and c == "#":
            j = i
            while j < n and text[j] != "\n":
                j = j + 2 if text[j] == "\\" else j + 1
            for k in range(i, min(j, n)):
                mask[k] = False
            i = j
            continue
        if c == "\n":
            line_start = True
            i += 1
            continue
        if not c.isspace():
            line_start = False
        if text.startswith("//", i):
            j = text.find("\n", i)
            j = n if j < 0 else j
        elif text.startswith("/*", i):
            j = text.find("*/", i + 2)
            j = n if j < 0 else j + 2
        elif c == "R" and text.startswith('R"', i) and (i == 0 or not (text[i - 1].isalnum() or text[i - 1] == "_")):
            m = re.match(r'R"([^(\s]*)\(', text[i:])
            if not m:
                i += 1
                continue
            end = text.find(")" + m.group(1) + '"', i)
            j = n if end < 0 else end + len(m.group(1)) + 2
        elif c == '"' or (c == "'" and not (i > 0 and text[i - 1].isalnum())):
            j = i + 1
            while j < n and text[j] != c and text[j] != "\n":
                j += 2 if text[j] == "\\" else 1
            j += 1
        else:
            i += 1
            continue
        for k in range(i, min(j, n)):
            mask[k] = False
        i = j
    return mask


COMPARISONS = {  # operator: (flipped, strictness changed)
    "<": (">=", "<="), "<=": (">", "<"), ">": ("<=", ">="), ">=": ("<", ">"),
    "==": ("!=", None), "!=": ("==", None),
}
# Operators are taken only with a space on both sides, as the code is formatted: that leaves
# out template brackets, shifts, unary signs, increments and rvalue references.
COMPARISON_RE = re.compile(r"(?<=\s)(<=|>=|==|!=|<|>)(?=\s)")
ARITHMETIC_RE = re.compile(r"(?<=\s)([+-])(?=\s)")
LOGIC_RE = re.compile(r"(?<=\s)(&&|\|\|)(?=\s)")
BOOLEAN_RE = re.compile(r"\b(true|false)\b")
INTEGER_RE = re.compile(r"(?<![\w.'])(0[xX][0-9a-fA-F']+|\d[\d']*)([uUlL]*)(?![\w.'])")
PURE_VIRTUAL_RE = re.compile(r"\)\s*(const\s*)?(override\s*)?=\s*$")
CALL_RE = re.compile(r"^([A-Za-z_][\w:]*)(?:\s*(?:\.|->)\s*[A-Za-z_]\w*)*(?:<[^;]*>)?\s*\(.*\)\s*;$")
NOT_CALLS = {"if", "while", "for", "switch", "return", "sizeof", "static_assert", "assert",
             "delete", "throw", "case", "else", "do", "new", "co_return", "alignas", "decltype"}


def balanced(s):
    depth = 0
    for c in s:
        depth += c == "("
        depth -= c == ")"
        if depth < 0:
            return False
    return depth == 0


def find_mutants(rel, text):
    """Every mutant of one file, as dicts: file, line, col, op, start, end, before, after."""
    mask = code_mask(text)
    line_starts = [0] + [m.end() for m in re.finditer("\n", text)]
    mutants = []

    def line_of(pos):
        lo, hi = 0, len(line_starts) - 1
        while lo < hi:
            mid = (lo + hi + 1) // 2
            if line_starts[mid] <= pos:
                lo = mid
            else:
                hi = mid - 1
        return lo

    def add(start, end, op, replacement):
        if not all(mask[start:end]):
            return
        idx = line_of(start)
        mutants.append({"file": rel, "line": idx + 1, "col": start - line_starts[idx] + 1,
                        "op": op, "start": start, "end": end, "before": text[start:end],
                        "after": replacement})

    for m in COMPARISON_RE.finditer(text):
        flipped, bound = COMPARISONS[m.group(1)]
        add(m.start(), m.end(), "comparison-flip", flipped)
        if bound:
            add(m.start(), m.end(), "comparison-bound", bound)
    for m in ARITHMETIC_RE.finditer(text):
        if text[m.end():].lstrip()[:1] == '"' or text[:m.start()].rstrip()[-1:] == '"':
            continue  # joining strings: minus does not build
        add(m.start(), m.end(), "plus-minus", "-" if m.group(1) == "+" else "+")
    for m in LOGIC_RE.finditer(text):
        add(m.start(), m.end(), "and-or", "||" if m.group(1) == "&&" else "&&")
    for m in BOOLEAN_RE.finditer(text):
        add(m.start(), m.end(), "boolean", "false" if m.group(1) == "true" else "true")
    for m in INTEGER_RE.finditer(text):
        digits, suffix = m.group(1).replace("'", ""), m.group(2)
        value = int(digits, 16) if digits[:2] in ("0x", "0X") else int(digits, 10)
        if digits.startswith("0") and len(digits) > 1 and digits[:2] not in ("0x", "0X"):
            continue  # octal: rare enough to leave alone
        if value == 0 and PURE_VIRTUAL_RE.search(text[max(0, m.start() - 80):m.start()]):
            continue
        for delta, op in ((1, "integer+1"), (-1, "integer-1")):
            if value + delta < 0:
                continue
            new = value + delta
            text_new = hex(new) if digits[:2] in ("0x", "0X") else str(new)
            add(m.start(), m.end(), op, text_new + suffix)
    # A call that is a statement of its own line, removed (replaced by an empty block, which
    # stays a statement under an if without braces).
    prev_code = ""
    for idx, start in enumerate(line_starts):
        end = line_starts[idx + 1] - 1 if idx + 1 < len(line_starts) else len(text)
        line = text[start:end]
        stripped = line.strip()
        if not stripped:
            continue
        offset = start + (len(line) - len(line.lstrip()))
        code = "".join(ch for k, ch in enumerate(line) if mask[start + k]).strip()
        m = CALL_RE.match(stripped)
        if (m and mask[offset] and m.group(1) not in NOT_CALLS and not m.group(1).isupper()
                and balanced(stripped) and (prev_code == "" or prev_code[-1] in ";{}:)"
                                            or prev_code.endswith("else"))):
            add(offset, offset + len(stripped), "call-removed", "{}")
        if code:
            prev_code = code
    mutants.sort(key=lambda m: (m["line"], m["col"], m["op"], m["after"]))
    return mutants


def mutant_key(m):
    return f'{m["file"]}:{m["line"]}:{m["col"]}:{m["op"]}:{m["after"]}'


def line_text(text, start, end, replacement=None):
    ls = text.rfind("\n", 0, start) + 1
    le = text.find("\n", end)
    le = len(text) if le < 0 else le
    if replacement is None:
        return text[ls:le].strip()
    return (text[ls:start] + replacement + text[end:le]).strip()


def load_equivalents():
    """tools/mutants-equivalent.txt: `file | operator | line after the change | why`."""
    result = set()
    if not EQUIVALENT_LIST.exists():
        return result
    for raw in EQUIVALENT_LIST.read_text().splitlines():
        if not raw.strip() or raw.startswith("#"):
            continue
        parts = raw.split(" | ")
        if len(parts) < 4:
            sys.exit(f"mutants: bad line in {EQUIVALENT_LIST.name}: {raw}")
        result.add((parts[0].strip(), parts[1].strip(), " | ".join(parts[2:-1]).strip()))
    return result


# ---------------------------------------------------------------------------------------------
# Running


class Interrupted(Exception):
    pass


def on_signal(signum, _frame):
    raise Interrupted(signal.Signals(signum).name)


def run(cmd, timeout=None, cwd=None):
    """Runs cmd in a process group of its own (killed whole on timeout or interruption);
    returns (exit code or None on timeout, output)."""
    proc = subprocess.Popen(cmd, cwd=cwd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                            text=True, errors="replace", start_new_session=True)
    try:
        out, _ = proc.communicate(timeout=timeout)
        return proc.returncode, out
    except subprocess.TimeoutExpired:
        os.killpg(proc.pid, signal.SIGKILL)
        out, _ = proc.communicate()
        return None, out
    except BaseException:
        os.killpg(proc.pid, signal.SIGKILL)
        proc.wait()
        raise


class Runner:
    def __init__(self, build, jobs, out):
        self.build, self.jobs, self.out = build, jobs, out
        self.pending = out / "pending.json"
        self.targets = {}  # label -> test programs (Ninja targets)
        self.baseline = {}  # label -> seconds of an unmutated run

    def restore_pending(self):
        """Puts back a file left changed by a run that was killed outright."""
        if self.pending.exists():
            data = json.loads(self.pending.read_text())
            Path(data["path"]).write_text(data["original"])
            self.pending.unlink()
            print(f'mutants: restored {data["path"]} left changed by an earlier run')

    def ctest(self, labels, timeout):
        regex = "^(" + "|".join(labels) + ")$"
        return run(["nice", "-n", "19", "ctest", "--test-dir", str(self.build), "-L", regex,
                    "-j", str(self.jobs), "--stop-on-failure", "--no-tests=ignore"], timeout)

    def ninja(self, targets, timeout=1800):
        return run(["nice", "-n", "19", "ninja", "-C", str(self.build), "-j", str(self.jobs),
                    *targets], timeout)

    def discover(self, labels):
        code, out = run(["ctest", "--test-dir", str(self.build), "--show-only=json-v1"])
        if code != 0:
            sys.exit("mutants: ctest cannot list the tests of " + str(self.build))
        for test in json.loads(out)["tests"]:
            props = {p["name"]: p["value"] for p in test.get("properties", [])}
            command = test.get("command") or [""]
            for label in props.get("LABELS", []):
                if label in labels and not command[0].endswith(("bash", "sh")):
                    self.targets.setdefault(label, set()).add(Path(command[0]).name)
        cached = self.out / "baseline.json"
        if cached.exists():
            self.baseline = json.loads(cached.read_text())
        for label in labels:
            if label in self.baseline or label not in self.targets:
                continue
            code, log = self.ninja(sorted(self.targets[label]))
            if code != 0:
                sys.exit(f"mutants: the tests of {label} do not build unchanged:\n{log[-3000:]}")
            began = time.monotonic()
            code, log = self.ctest([label], None)
            if code != 0:
                sys.exit(f"mutants: the tests of {label} fail unchanged:\n{log[-3000:]}")
            self.baseline[label] = time.monotonic() - began
            print(f"mutants: tests of {label} take {self.baseline[label]:.1f} s unchanged",
                  flush=True)
            cached.write_text(json.dumps(self.baseline))

    def try_mutant(self, m, text):
        """Applies m, builds and tests in stages; returns (outcome, seconds, detail)."""
        path = ROOT / m["file"]
        mutated = text[:m["start"]] + m["after"] + text[m["end"]:]
        began = time.monotonic()
        self.pending.write_text(json.dumps({"path": str(path), "original": text}))
        try:
            path.write_text(mutated)
            module = m["file"].split("/")[1]
            labels = [l for l in SEEN_BY[module] if l in self.targets]
            stages = [labels[:1], labels[1:]] if len(labels) > 1 else [labels]
            for stage in stages:
                targets = sorted(set().union(*(self.targets[l] for l in stage)))
                code, log = self.ninja(targets)
                if code != 0:
                    return "did-not-build", time.monotonic() - began, first_error(log)
                limit = 30 + 4 * sum(self.baseline.get(l, 30) for l in stage)
                code, log = self.ctest(stage, limit)
                if code is None or (code != 0 and "Timeout" in log and "Failed  " not in log):
                    return "timed-out", time.monotonic() - began, ",".join(stage)
                if code != 0:
                    return "caught", time.monotonic() - began, failed_tests(log)
            return "survived", time.monotonic() - began, ",".join(labels)
        finally:
            path.write_text(text)
            self.pending.unlink()


def first_error(log):
    for line in log.splitlines():
        if "error:" in line:
            return line.strip()[:200]
    return log.strip().splitlines()[-1][:200] if log.strip() else ""


def failed_tests(log):
    names = re.findall(r"\d+ - (\S+) \((?:Failed|Timeout|SEGFAULT|Subprocess aborted|Exception|Child aborted)", log)
    return " ".join(names[:3]) or "ctest failed"


# ---------------------------------------------------------------------------------------------
# Report


def write_report(out, params, results, elapsed):
    modules = {}
    for r in results:
        module = r["file"].split("/")[1]
        counts = modules.setdefault(module, {})
        counts[r["outcome"]] = counts.get(r["outcome"], 0) + 1

    def score(c):
        killed = c.get("caught", 0) + c.get("timed-out", 0)
        tried = killed + c.get("survived", 0)
        return f"{100 * killed / tried:.0f}%" if tried else "-"

    kinds = ["caught", "timed-out", "survived", "did-not-build", "equivalent"]
    lines = [f"# Mutants: {params['date']}", "",
             f"Files: {params['files_desc']}; {params['total']} mutants in all, "
             f"{len(results)} tried ({'sample of ' + str(params['sample']) + ', seed ' + str(params['seed']) if params['sample'] else 'all'}); "
             f"{elapsed / 60:.0f} minutes of testing, {params['jobs']} job(s).", "",
             "Score = (caught + timed-out) / (caught + timed-out + survived).", "",
             "| module | " + " | ".join(kinds) + " | score |",
             "|---|" + "---|" * (len(kinds) + 1)]
    total = {}
    for module in sorted(modules):
        c = modules[module]
        for k, v in c.items():
            total[k] = total.get(k, 0) + v
        lines.append(f"| {module} | " + " | ".join(str(c.get(k, 0)) for k in kinds) + f" | {score(c)} |")
    lines.append("| **all** | " + " | ".join(str(total.get(k, 0)) for k in kinds) + f" | {score(total)} |")
    lines += ["", "| file:line | operator | before | after | outcome | detail |", "|---|---|---|---|---|---|"]

    def cell(s):
        s = s if len(s) <= 90 else s[:87] + "..."
        return "`" + s.replace("|", "\\|").replace("`", "'") + "`"

    for r in sorted(results, key=lambda r: (r["file"], r["line"], r["col"], r["op"], r["after"])):
        lines.append(f'| {r["file"]}:{r["line"]} | {r["op"]} | {cell(r["before_line"])} | '
                     f'{cell(r["after_line"])} | {r["outcome"]} | {r.get("detail", "").replace("|", "/")[:120]} |')
    (out / "report.md").write_text("\n".join(lines) + "\n")
    return lines


def main():
    for sig in (signal.SIGINT, signal.SIGTERM, signal.SIGHUP):
        signal.signal(sig, on_signal)
    build = ROOT / os.environ.get("MUTANTS_BUILD", "build-mutants")
    out = Path(os.environ.get("MUTANTS_OUT", str(build / "mutants")))
    if not out.is_absolute():
        out = ROOT / out
    jobs = int(os.environ.get("MUTANTS_JOBS", "1"))
    sample = int(os.environ.get("MUTANTS_SAMPLE", "0"))
    seed = int(os.environ.get("MUTANTS_SEED", "1"))
    out.mkdir(parents=True, exist_ok=True)
    runner = Runner(build, jobs, out)
    runner.restore_pending()

    args = sys.argv[1:]
    if args:
        files = sorted(str(Path(a).resolve().relative_to(ROOT)) for a in args)
    else:
        files = sorted(str(p.relative_to(ROOT)) for p in (ROOT / "src").rglob("*")
                       if p.suffix in (".cpp", ".h") and str(p.relative_to(ROOT)) not in ENTRY_POINTS
                       and not windows_only(str(p.relative_to(ROOT))))
    texts = {f: (ROOT / f).read_text() for f in files}
    # Generated tables (the credit table) are the generator's output, tested through it.
    files = [f for f in files if not texts[f].startswith("// Generated")]
    everything = [m for f in files for m in find_mutants(f, texts[f])]
    chosen = everything
    if sample and sample < len(everything):
        # The same share for every module, so that a small module's score rests on as many
        # mutants as a large one's; the share is drawn at random within the module.
        rng = random.Random(seed)
        by_module = {}
        for i, m in enumerate(everything):
            by_module.setdefault(m["file"].split("/")[1], []).append(i)
        names = sorted(by_module)
        picks, left = [], sample
        for k, name in enumerate(names):
            share = min(len(by_module[name]), left // (len(names) - k))
            picks += rng.sample(by_module[name], share)
            left -= share
        chosen = [everything[i] for i in sorted(picks)]
    if os.environ.get("MUTANTS_LIST"):
        for m in chosen:
            print(f'{m["file"]}:{m["line"]}:{m["col"]} {m["op"]}: {m["before"]} -> {m["after"]}')
        print(f"{len(chosen)} of {len(everything)} mutants")
        return 0

    params = {"files": files, "sample": sample, "seed": seed, "total": len(everything),
              "files_desc": " ".join(args) if args else "src/ but the entry point",
              "date": datetime.date.today().isoformat(), "jobs": jobs}
    state = out / "run.json"
    results_file = out / "results.jsonl"
    done = {}
    retried = set()
    if state.exists() and not os.environ.get("MUTANTS_FRESH"):
        old = json.loads(state.read_text())
        if all(old.get(k) == params[k] for k in ("files", "sample", "seed", "total")):
            params["date"] = old["date"]
            if results_file.exists():
                retry = os.environ.get("MUTANTS_RETRY", "").split(",")
                retry_in = re.compile(os.environ.get("MUTANTS_RETRY_IN", ""))
                for raw in results_file.read_text().splitlines():
                    r = json.loads(raw)
                    if r["outcome"] in retry and retry_in.search(r["file"]):
                        retried.add(r["key"])
                    else:
                        done[r["key"]] = r
                kept = [json.dumps(r) + "\n" for r in done.values()]
                results_file.write_text("".join(kept))
            print(f"mutants: resuming, {len(done)} of {len(chosen)} already tried")
    if not done:
        results_file.write_text("")
    if os.environ.get("MUTANTS_FRESH"):
        (out / "baseline.json").unlink(missing_ok=True)
    state.write_text(json.dumps(params))

    equivalents = load_equivalents()
    for r in done.values():  # the list may have grown since they were tried
        if (r["file"], r["op"], r["after_line"]) in equivalents:
            r.update(outcome="equivalent", detail="tools/mutants-equivalent.txt")
    modules = {m["file"].split("/")[1] for m in chosen}
    runner.discover({l for mod in modules for l in SEEN_BY[mod]})
    results = [done[mutant_key(m)] for m in chosen if mutant_key(m) in done]
    elapsed = sum(r.get("seconds", 0) for r in results)
    todo = [m for m in chosen if mutant_key(m) not in done]
    # One file at a time (its object is rebuilt once per mutant, not twice), the files taken
    # from each module in turn, so that a run stopped early has tried every module alike.
    queues = {}
    for m in todo:
        files_of = queues.setdefault(m["file"].split("/")[1], {})
        files_of.setdefault(m["file"], []).append(m)
    rounds = [list(files_of.values()) for files_of in queues.values()]
    todo = [m for k in range(max(map(len, rounds), default=0))
            for groups in rounds if k < len(groups) for m in groups[k]]
    if os.environ.get("MUTANTS_RETRY"):
        todo = [m for m in todo if mutant_key(m) in retried]
        chosen = [m for m in chosen if mutant_key(m) in done or mutant_key(m) in retried]
    try:
        for n, m in enumerate(todo, 1):
            text = texts[m["file"]]
            record = {"key": mutant_key(m), **{k: m[k] for k in ("file", "line", "col", "op", "after")},
                      "before_line": line_text(text, m["start"], m["end"]),
                      "after_line": line_text(text, m["start"], m["end"], m["after"])}
            if (m["file"], m["op"], record["after_line"]) in equivalents:
                record.update(outcome="equivalent", seconds=0, detail="tools/mutants-equivalent.txt")
            else:
                outcome, seconds, detail = runner.try_mutant(m, text)
                record.update(outcome=outcome, seconds=round(seconds, 1), detail=detail)
            elapsed += record["seconds"]
            results.append(record)
            with results_file.open("a") as f:
                f.write(json.dumps(record) + "\n")
            print(f'[{len(results)}/{len(chosen)}] {record["outcome"]:13} {m["file"]}:{m["line"]} '
                  f'{m["op"]} {m["before"]} -> {m["after"]} ({record["seconds"]:.0f} s)', flush=True)
    except Interrupted as e:
        print(f"mutants: stopped by {e}; the files are restored, run again to resume", flush=True)
        write_report(out, params, results, elapsed)
        return 130
    lines = write_report(out, params, results, elapsed)
    print("\n".join(lines[:next(i for i, l in enumerate(lines) if l.startswith("| **all**")) + 1]))
    print(f"mutants: report in {out / 'report.md'}")
    return 0


if __name__ == "__main__":
    try:
        sys.exit(main())
    except Interrupted as e:
        print(f"mutants: stopped by {e}; no file was left changed", file=sys.stderr)
        sys.exit(130)
