#!/usr/bin/env python3
"""Mutation testing: does the test suite notice when one comparison, constant or call is wrong?

Applies one small change (a mutant) at a time to a source file, then builds and runs, one at a
time, the test programs that link code compiled from that file (Ninja's graph and deps log say
which), stopping at the first that fails: the module's own programs that take under a second, the
reference pictures, the module's other programs, then the others, each group fastest first,
and for a change in src/platform the end-to-end tests that carry the platform label last. A GoogleTest program runs in one process
with --gtest_fail_fast. The file is restored whatever happens: on error, on Ctrl-C, on SIGTERM
or SIGHUP, and on the next start if the process was killed outright.

Usage: tools/mutants.py [FILE...]      (default: every .cpp and .h under src/ but the entry points
                                        and the code only the Windows build compiles)

Environment:
  MUTANTS_BUILD    build tree to mutate in (default build-mutants; configured by `make mutants`)
  MUTANTS_SAMPLE   try N mutants, the same number from each module (default: every mutant)
  MUTANTS_SEED     seed of that draw (default 1); the draw depends only on each mutant's file,
                   operator and changed line, so edits elsewhere leave the sample as it was
  MUTANTS_JOBS     Ninja jobs (default 1); builds and tests run under nice -n 19
  MUTANTS_OUT      folder of the record (run.json, results.jsonl) and report.md (default
                   $MUTANTS_BUILD/mutants); a committed folder lets a later sitting resume
  MUTANTS_MINUTES  stop cleanly after about this many minutes (resume later)
  MUTANTS_LABEL    only the test programs that carry this CTest label (e.g. reference: what
                   the reference pictures alone catch)
  MUTANTS_FRESH=1  forget the results of an earlier run with the same files and sample;
                   otherwise such a run resumes where it stopped
  MUTANTS_RETRY=survived  try again only the mutants of the earlier run that had that outcome
                   (after new assertions: the tests only grew, so what they caught stays
                   caught); mutants it never tried stay untried
  MUTANTS_RETRY_IN  with MUTANTS_RETRY, only in files matching this regular expression
  MUTANTS_LIST=1   only list the mutants that would run, then stop
  MUTANTS_ONLY=F   only the mutants listed in file F, in the form MUTANTS_LIST prints
  MUTANTS_REPORT=1 only write the report again from the record (after the list of
                   equivalents grew), then stop

Outcomes: caught (a test failed), timed-out (a program ran far longer than without the change;
counted as caught), survived (every test passed), did-not-build (the compiler refused it, with
warnings as errors), equivalent (listed in tools/mutants-equivalent.txt, not run). The score of a
module is (caught + timed-out) / (caught + timed-out + survived).
"""

import datetime
import fcntl
import hashlib
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


WINDOWS_IF_RE = re.compile(r"#\s*(ifdef\s+_WIN32|if\s+defined\s*\(?\s*_WIN32)\b")
NOT_WINDOWS_IF_RE = re.compile(r"#\s*(ifndef\s+_WIN32|if\s+!\s*defined\s*\(?\s*_WIN32)\b")


def hide_windows_branches(text, mask):
    """Marks as not code the branches of `#ifdef _WIN32` (and the #else of `#ifndef _WIN32`)
    that only the Windows build compiles: this build never sees a change there."""
    stack = []  # per open #if: True / False for a _WIN32 test (Windows branch first), else None
    pos = 0
    for line in text.splitlines(keepends=True):
        stripped = line.strip()
        windows = any(stack_entry[1] for stack_entry in stack)
        if stripped.startswith("#"):
            if WINDOWS_IF_RE.match(stripped):
                stack.append([True, True])
            elif NOT_WINDOWS_IF_RE.match(stripped):
                stack.append([True, False])
            elif re.match(r"#\s*if", stripped):
                stack.append([False, False])
            elif re.match(r"#\s*(else|elif)", stripped) and stack:
                if stack[-1][0]:
                    stack[-1][1] = not stack[-1][1]
            elif re.match(r"#\s*endif", stripped) and stack:
                stack.pop()
        elif windows:
            for k in range(pos, pos + len(line)):
                mask[k] = False
        pos += len(line)


def find_mutants(rel, text):
    """Every mutant of one file, as dicts: file, line, col, op, start, end, before, after."""
    mask = code_mask(text)
    hide_windows_branches(text, mask)
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


def line_text(text, start, end, replacement=None):
    ls = text.rfind("\n", 0, start) + 1
    le = text.find("\n", end)
    le = len(text) if le < 0 else le
    if replacement is None:
        return text[ls:le].strip()
    return (text[ls:start] + replacement + text[end:le]).strip()


def load_equivalents():
    """tools/mutants-equivalent.txt: `file | operator | line after the change | why`. Where
    equal changed lines of a file differ in what they do, `line | #n` names the n-th of them,
    as the mutant's key does."""
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


class Program:
    """What the tool runs: one GoogleTest program (all its cases in one process, stopping at the
    first failure) or one script test run through CTest (the end-to-end tests)."""

    def __init__(self, name, targets, kind):
        self.name, self.targets, self.kind = name, targets, kind  # kind: gtest or ctest
        self.tests, self.labels, self.env = [], set(), {}
        self.cwd, self.timeout, self.inputs = None, None, set()

    @property
    def e2e(self):
        return "e2e" in self.labels


class Runner:
    def __init__(self, build, jobs, out):
        self.build, self.jobs, self.out = build, jobs, out
        self.pending = build / "mutants-pending.json"
        self.baseline_file = build / "mutants-baseline.json"
        self.programs = []
        self.baseline = {}  # program name -> seconds of an unmutated run
        self.objects_of = {}  # source or header (absolute) -> objects compiled from it

    def restore_pending(self):
        """Puts back a file left changed by a run that was killed outright."""
        for pending in (self.pending, self.out / "pending.json"):
            if pending.exists():
                data = json.loads(pending.read_text())
                Path(data["path"]).write_text(data["original"])
                pending.unlink()
                print(f'mutants: restored {data["path"]} left changed by an earlier run')

    def ninja(self, targets, timeout=1800):
        return run(["nice", "-n", "19", "ninja", "-C", str(self.build), "-j", str(self.jobs),
                    *targets], timeout)

    def target_of(self, path):
        """The Ninja target of a file in the build tree, or None."""
        try:
            rel = Path(path).resolve().relative_to(self.build.resolve())
        except ValueError:
            return None
        return str(rel) if (self.build / rel).is_file() else None

    def discover(self, modules):
        """Which program can see which source file: the tests CTest knows, grouped by program,
        each with every object file that is linked into it (Ninja's graph), and for each source
        and header the objects compiled from it (Ninja's deps log of the last build)."""
        code, out = run(["ctest", "--test-dir", str(self.build), "--show-only=json-v1"])
        if code != 0:
            sys.exit("mutants: ctest cannot list the tests of " + str(self.build))
        by_name = {}
        for test in json.loads(out)["tests"]:
            props = {p["name"]: p["value"] for p in test.get("properties", [])}
            command = test.get("command") or [""]
            labels = set(props.get("LABELS", []))
            if Path(command[0]).name in ("bash", "sh"):
                # A script: its programs are the built files among its arguments. Scripts that
                # take the whole build tree (an install) are left out. End-to-end tests run
                # only for the modules whose label they carry.
                targets = [t for t in map(self.target_of, command[1:]) if t]
                if not targets or not (labels - {"e2e"}) & modules and "e2e" in labels:
                    continue
                program = Program(test["name"], targets, "ctest")
            else:
                target = self.target_of(command[0])
                if not target:
                    continue
                program = by_name.get(target) or Program(target, [target], "gtest")
            by_name[program.name] = program
            program.tests.append(test["name"])
            program.labels |= labels
            program.cwd = props.get("WORKING_DIRECTORY")
            program.timeout = max(program.timeout or 0, float(props.get("TIMEOUT", 0) or 0))
            for item in props.get("ENVIRONMENT", []):
                k, _, v = item.partition("=")
                program.env[k] = v
        self.programs = sorted(by_name.values(), key=lambda p: p.name)

        for program in self.programs:
            code, out = run(["ninja", "-C", str(self.build), "-t", "inputs", *program.targets])
            if code != 0:
                sys.exit(f"mutants: ninja cannot list the inputs of {program.name}:\n{out[-2000:]}")
            program.inputs = {line.strip() for line in out.splitlines() if line.endswith(".o")}
        code, out = run(["ninja", "-C", str(self.build), "-t", "deps"])
        if code != 0:
            sys.exit("mutants: ninja cannot show the deps log of " + str(self.build))
        obj = None
        for line in out.splitlines():
            if line and not line[0].isspace():
                obj = line.split(":")[0].strip()
            elif line.strip() and obj:
                dep = os.path.normpath(os.path.join(self.build, line.strip()))
                self.objects_of.setdefault(dep, set()).add(obj)

        if self.baseline_file.exists():
            self.baseline = json.loads(self.baseline_file.read_text())
        for program in self.programs:
            if program.name in self.baseline or (program.e2e and not program.labels & modules):
                continue
            code, log = self.ninja(program.targets)
            if code != 0:
                sys.exit(f"mutants: {program.name} does not build unchanged:\n{log[-3000:]}")
            outcome, seconds, detail = self.run_program(program, None)
            if outcome == "caught" and program.kind == "gtest":
                # Cases that pass alone but not together in one process: run them as CTest
                # does, one process a case.
                program.kind = "ctest"
                outcome, seconds, detail = self.run_program(program, None)
            if outcome != "survived" and program.e2e:
                # An end-to-end test that cannot pass here (no server, a busy machine) is left
                # out rather than blamed on every mutant.
                print(f"mutants: {program.name} fails unchanged, left out: {detail}", flush=True)
                continue
            if outcome != "survived":
                sys.exit(f"mutants: {program.name} fails unchanged: {detail}")
            self.baseline[program.name] = {"seconds": round(seconds, 1), "kind": program.kind}
            print(f"mutants: {program.name} takes {seconds:.1f} s unchanged", flush=True)
            self.baseline_file.write_text(json.dumps(self.baseline, indent=1))
        for program in self.programs:
            if program.name in self.baseline:
                program.kind = self.baseline[program.name]["kind"]

    def seconds(self, program):
        return self.baseline.get(program.name, {}).get("seconds", 30)

    def programs_for(self, rel):
        """The programs that link code compiled from rel, in the order they are tried: the
        module's own tests that take under a second, the reference pictures (they see the
        most), the module's other tests, then the others, each group fastest first; the
        end-to-end tests last."""
        path = os.path.normpath(ROOT / rel)
        objects = self.objects_of.get(path, set())
        module = rel.split("/")[1]
        label = os.environ.get("MUTANTS_LABEL")
        chosen = [p for p in self.programs
                  if p.name in self.baseline and p.inputs & objects and (not p.e2e or module in p.labels)
                  and (not label or label in p.labels)]
        def rank(p):
            own = module in p.labels
            if own and self.seconds(p) < 1:
                return 0  # costs next to nothing and sees the file closest
            return 1 if "reference" in p.labels else 2 if own else 3
        return sorted(chosen, key=lambda p: (p.e2e, rank(p), self.seconds(p)))

    def run_program(self, program, limit):
        """Runs one program unchanged-or-mutated; returns (outcome, seconds, detail)."""
        began = time.monotonic()
        if program.kind == "gtest":
            env = {**os.environ, **program.env}
            cmd = ["nice", "-n", "19", str(self.build / program.targets[0]), "--gtest_fail_fast"]
            proc = subprocess.Popen(cmd, cwd=program.cwd, env=env, stdout=subprocess.PIPE,
                                    stderr=subprocess.STDOUT, text=True, errors="replace",
                                    start_new_session=True)
            try:
                log, _ = proc.communicate(timeout=limit)
                code = proc.returncode
            except subprocess.TimeoutExpired:
                os.killpg(proc.pid, signal.SIGKILL)
                log, _ = proc.communicate()
                code = None
            except BaseException:
                os.killpg(proc.pid, signal.SIGKILL)
                proc.wait()
                raise
            took = time.monotonic() - began
            if code is None:
                return "timed-out", took, program.name
            if code != 0:
                failed = re.findall(r"^\[  FAILED  \] (\S+?)(?:,| \(|$)", log, re.M)
                if not failed:
                    running = re.findall(r"^\[ RUN      \] (\S+)", log, re.M)
                    failed = [f"{running[-1] if running else program.name} (exit {code})"]
                return "caught", took, " ".join(dict.fromkeys(failed[:3]))
            return "survived", took, program.name
        regex = "^(" + "|".join(re.escape(t) for t in program.tests) + ")$"
        code, log = run(["nice", "-n", "19", "ctest", "--test-dir", str(self.build), "-R", regex,
                         "-j", str(self.jobs), "--stop-on-failure", "--output-on-failure"], limit)
        took = time.monotonic() - began
        if code is None or (code != 0 and "Timeout" in log and "Failed  " not in log):
            return "timed-out", took, program.name
        if code != 0:
            return "caught", took, failed_tests(log)
        return "survived", took, program.name

    def try_mutant(self, m, text):
        """Applies m, then builds and runs one program at a time in the order of programs_for
        until one fails; returns (outcome, seconds, detail)."""
        path = ROOT / m["file"]
        mutated = text[:m["start"]] + m["after"] + text[m["end"]:]
        began = time.monotonic()
        programs = self.programs_for(m["file"])
        self.pending.write_text(json.dumps({"path": str(path), "original": text}))
        try:
            path.write_text(mutated)
            for program in programs:
                code, log = self.ninja(program.targets)
                if code != 0:
                    return "did-not-build", time.monotonic() - began, first_error(log)
                unchanged = self.seconds(program)
                limit = 10 + 3 * unchanged
                if program.timeout:
                    limit = min(limit, program.timeout)
                outcome, _, detail = self.run_program(program, limit)
                if outcome != "survived":
                    return outcome, time.monotonic() - began, detail
            names = ",".join(Path(p.name).name for p in programs)
            return "survived", time.monotonic() - began, names or "no test links this file"
        finally:
            path.write_text(text)
            self.pending.unlink(missing_ok=True)


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


def write_report(out, params, results, elapsed, chosen):
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
    run_ = [r for r in results if r["outcome"] != "equivalent"]
    rate = f"{len(run_) / (elapsed / 3600):.0f} an hour" if elapsed else "-"
    drawn = f"sample of {params['sample']}, seed {params['seed']}" if params["sample"] else "all"
    lines = [f"# Mutants: {params['date']}", "",
             f"Files: {params['files_desc']}; {params['total']} mutants in all, "
             f"{len(results)} of {chosen} done ({drawn}); {len(run_)} built and tested in "
             f"{elapsed / 60:.0f} minutes ({rate}), {params['jobs']} job(s).", "",
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


def is_equivalent(m, equivalents):
    """Listed by its changed line (every one of equal lines), or by the tail of its key."""
    return ((m["file"], m["op"], changed_line(m)) in equivalents
            or (m["file"], m["op"], m["key"].split(" | ", 2)[2]) in equivalents)


def changed_line(m):
    """The line that names a mutant in its key and in the list of equivalents: as it reads
    after the change, or for a removed call the call removed (every one reads `{}` after)."""
    return m["before_line"] if m["op"] == "call-removed" else m["after_line"]


def stable_keys(mutants, texts):
    """Names each mutant by its file, operator and changed line (and which of equal ones it is),
    not by line number: edits elsewhere in the code leave the names, the sample drawn from them
    and the results recorded under them as they were."""
    seen = {}
    for m in mutants:
        text = texts[m["file"]]
        m["before_line"] = line_text(text, m["start"], m["end"])
        m["after_line"] = line_text(text, m["start"], m["end"], m["after"])
        base = f'{m["file"]} | {m["op"]} | {changed_line(m)}'
        n = seen.get(base, 0)
        seen[base] = n + 1
        m["key"] = base if n == 0 else f"{base} | #{n + 1}"


def draw_sample(everything, sample, seed):
    """The same share for every module, so that a small module's score rests on as many mutants
    as a large one's. Within a module the mutants whose keys hash lowest with the seed: a
    mutant stays in the sample as long as it exists, whatever else changes."""
    by_module = {}
    for m in everything:
        by_module.setdefault(m["file"].split("/")[1], []).append(m)
    names = sorted(by_module)
    picks, left = [], sample
    for k, name in enumerate(names):
        share = min(len(by_module[name]), left // (len(names) - k))
        ranked = sorted(by_module[name],
                        key=lambda m: hashlib.sha256(f'{seed}:{m["key"]}'.encode()).hexdigest())
        picks += ranked[:share]
        left -= share
    chosen = {id(m) for m in picks}
    return [m for m in everything if id(m) in chosen]


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
    listing = bool(os.environ.get("MUTANTS_LIST"))
    if not listing:
        # One run at a time in a build tree: another would restore the file this one changed.
        lock = open(build / "mutants.lock", "w")
        try:
            fcntl.flock(lock, fcntl.LOCK_EX | fcntl.LOCK_NB)
        except OSError:
            sys.exit(f"mutants: another run is using {build}")
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
    stable_keys(everything, texts)
    chosen = everything
    if sample and sample < len(everything):
        chosen = draw_sample(everything, sample, seed)
    if os.environ.get("MUTANTS_ONLY"):
        # Lines as MUTANTS_LIST prints them: the same mutants again, e.g. to time a change.
        wanted = {line.split(": ")[0] for line in Path(os.environ["MUTANTS_ONLY"]).read_text().splitlines()
                  if line.strip() and not line.endswith("mutants")}
        chosen = [m for m in everything
                  if f'{m["file"]}:{m["line"]}:{m["col"]} {m["op"]}' in wanted]
    if listing:
        for m in chosen:
            print(f'{m["file"]}:{m["line"]}:{m["col"]} {m["op"]}: {m["before"]} -> {m["after"]}')
        print(f"{len(chosen)} of {len(everything)} mutants")
        return 0

    params = {"sample": sample, "seed": seed, "only": os.environ.get("MUTANTS_ONLY", ""),
              "files_desc": " ".join(args) if args else "src/ but the entry point",
              "date": datetime.date.today().isoformat(), "jobs": jobs, "total": len(everything)}
    state = out / "run.json"
    results_file = out / "results.jsonl"
    done = {}
    retried = set()
    if state.exists() and not os.environ.get("MUTANTS_FRESH"):
        old = json.loads(state.read_text())
        if all(old.get(k) == params[k] for k in ("sample", "seed", "only", "files_desc")):
            params["date"] = old["date"]
            if results_file.exists():
                retry = os.environ.get("MUTANTS_RETRY", "").split(",")
                retry_in = re.compile(os.environ.get("MUTANTS_RETRY_IN", ""))
                migrated = {}
                for raw in results_file.read_text().splitlines():
                    r = json.loads(raw)
                    if r["op"] == "call-removed" and r["key"].split(" | ")[2:3] == ["{}"]:
                        # Recorded when removed calls were named `{}`: named by the call now.
                        base = f'{r["file"]} | call-removed | {r["before_line"]}'
                        n = migrated[base] = migrated.get(base, 0) + 1
                        r["key"] = base if n == 1 else f"{base} | #{n}"
                    if r["outcome"] in retry and retry_in.search(r["file"]):
                        retried.add(r["key"])
                    else:
                        done[r["key"]] = r
            print(f"mutants: resuming, {sum(mutant_key in done for mutant_key in (m['key'] for m in chosen))}"
                  f" of {len(chosen)} already tried")
    if os.environ.get("MUTANTS_FRESH"):
        runner.baseline_file.unlink(missing_ok=True)
    state.write_text(json.dumps(params, indent=1) + "\n")

    equivalents = load_equivalents()
    current = {m["key"]: m for m in chosen}
    for r in done.values():  # the list may have grown since they were tried; lines move
        if is_equivalent(r, equivalents):
            r.update(outcome="equivalent", detail="tools/mutants-equivalent.txt")
        if r["key"] in current:
            r["line"] = current[r["key"]]["line"]
    # Results of mutants that no longer exist (the code changed) are dropped from the record.
    done = {k: r for k, r in done.items() if k in current}
    results_file.write_text("".join(json.dumps(r) + "\n" for r in done.values()))
    results = [done[m["key"]] for m in chosen if m["key"] in done]
    elapsed = sum(r.get("seconds", 0) for r in results)
    if os.environ.get("MUTANTS_REPORT"):
        write_report(out, params, results, elapsed, len(chosen))
        print(f"mutants: report in {out / 'report.md'}")
        return 0
    modules = {m["file"].split("/")[1] for m in chosen}
    runner.discover(modules)
    todo = [m for m in chosen if m["key"] not in done]
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
        todo = [m for m in todo if m["key"] in retried]
        chosen = [m for m in chosen if m["key"] in done or m["key"] in retried]
    limit = float(os.environ.get("MUTANTS_MINUTES", "0")) * 60
    started = time.monotonic()
    try:
        for m in todo:
            if limit and time.monotonic() - started > limit:
                print(f"mutants: {limit / 60:.0f} minutes are up; run again to resume", flush=True)
                break
            text = texts[m["file"]]
            record = {k: m[k] for k in ("key", "file", "line", "col", "op", "after",
                                         "before_line", "after_line")}
            if is_equivalent(record, equivalents):
                record.update(outcome="equivalent", seconds=0, detail="tools/mutants-equivalent.txt")
            else:
                outcome, seconds, detail = runner.try_mutant(m, text)
                record.update(outcome=outcome, seconds=round(seconds, 1), detail=detail)
            elapsed += record["seconds"]
            results.append(record)
            with results_file.open("a") as f:
                f.write(json.dumps(record) + "\n")
            write_report(out, params, results, elapsed, len(chosen))  # a record worth committing
            print(f'[{len(results)}/{len(chosen)}] {record["outcome"]:13} {m["file"]}:{m["line"]} '
                  f'{m["op"]} {m["before"]} -> {m["after"]} ({record["seconds"]:.0f} s)', flush=True)
    except Interrupted as e:
        print(f"mutants: stopped by {e}; the files are restored, run again to resume", flush=True)
        write_report(out, params, results, elapsed, len(chosen))
        return 130
    lines = write_report(out, params, results, elapsed, len(chosen))
    print("\n".join(lines[:next(i for i, l in enumerate(lines) if l.startswith("| **all**")) + 1]))
    print(f"mutants: report in {out / 'report.md'}")
    return 0


if __name__ == "__main__":
    try:
        sys.exit(main())
    except Interrupted as e:
        print(f"mutants: stopped by {e}; no file was left changed", file=sys.stderr)
        sys.exit(130)
