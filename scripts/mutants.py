#!/usr/bin/env python3
"""Mutation testing: how many planted faults in src/ do the Linux tests catch?

Picks N single mutations of src/ (seeded: the same seed and sources give the
same mutants), spread round-robin over the folders of src/. Kinds:
  compare   flip a comparison      (< <=, <= <, > >=, >= >, == !=, != ==)
  constant  an integer literal +1 or -1
  logic     && to || or || to &&
  drop      a call statement removed (its side effect lost)
  negate    an if/while condition negated

Each mutant is applied alone to a scratch copy of the tree under
build/mutants/tree (src/ itself is never written), built incrementally in
build/mutants/build (Debug, as the dev preset; only the test programs; ccache
when installed), and the test programs are run: the mutated folder's own
first, two at a time, each stopping at its first failure. A failing test, a
crash or a timeout kills the mutant; all passing: it survived. A mutant that
does not compile is discarded and not counted.

Headers are left out but for src/host/ticks.h (a header change rebuilds most
of the tree); --headers takes all of them in.

  scripts/mutants.py [N] [--seed S] [--only ID,ID] [--list] [--headers]
"""

import argparse
import difflib
import filecmp
import os
import random
import re
import shutil
import signal
import subprocess
import sys
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
WORK = ROOT / "build" / "mutants"
TREE = WORK / "tree"
BUILD = WORK / "build"
FOLDERS = ["config", "effects", "host", "input", "locking", "menu", "shell", "state"]
HEADERS_ALWAYS = {"src/host/ticks.h"}
# The test programs most likely to catch a fault in each folder run first.
FIRST_TESTS = {
    "config": ["config"],
    "effects": ["effects"],
    "host": ["host", "replay", "config", "locking"],
    "input": ["input", "locking"],
    "locking": ["locking", "effects"],
    "menu": ["menu"],
    "shell": ["shell", "sim"],
    "state": ["state", "shell", "locking"],
}
KEYWORDS = {"return", "if", "while", "for", "else", "case", "delete", "throw", "switch", "do", "new",
            "sizeof", "static_assert", "co_return", "goto", "using", "namespace", "template"}


# --- finding mutation sites -------------------------------------------------

def masked(lines):
    """Each line with comments, string and character literals blanked out
    (same length), so sites are only ever found in code."""
    out = []
    in_block = False
    for line in lines:
        chars = list(line)
        i = 0
        n = len(chars)
        while i < n:
            if in_block:
                end = line.find("*/", i)
                stop = n if end < 0 else end + 2
                for k in range(i, stop):
                    chars[k] = " "
                in_block = end < 0
                i = stop
                continue
            c = line[i]
            if line.startswith("//", i):
                for k in range(i, n):
                    chars[k] = " "
                break
            if line.startswith("/*", i):
                in_block = True
                continue
            if c in "\"'":
                j = i + 1
                while j < n and line[j] != c:
                    j += 2 if line[j] == "\\" else 1
                for k in range(i + 1, min(j, n)):
                    chars[k] = "_"
                i = j + 1
                continue
            i += 1
        text = "".join(chars)
        if text.lstrip().startswith("#"):
            text = " " * len(text)
        out.append(text)
    return out


def matching_paren(text, open_at):
    depth = 0
    for i in range(open_at, len(text)):
        if text[i] == "(":
            depth += 1
        elif text[i] == ")":
            depth -= 1
            if depth == 0:
                return i
    return -1


COMPARE = {"<": "<=", "<=": "<", ">": ">=", ">=": ">", "==": "!=", "!=": "=="}
COMPARE_RE = re.compile(r"(?<=\s)(<=|>=|==|!=|<|>)(?=\s)")
LOGIC_RE = re.compile(r"(?<=\s)(&&|\|\|)(?=\s)")
INT_RE = re.compile(r"(?<![\w.'])(\d+)([uU]?[lL]{0,2}|[lL]{1,2}[uU]?)(?![\w.'])")
CALL_RE = re.compile(r"(^\s*|[{;]\s+|\)\s+|\belse\s+)([A-Za-z_][\w:]*(?:(?:\.|->)[A-Za-z_]\w*)*(?:<[\w:, ]*>)?)\(")
COND_RE = re.compile(r"\b(if|while)\s*\(")


def sites_in(rel, lines):
    """Every mutation site of a file: (line index, kind, start, end, replacement)."""
    code = masked(lines)
    found = []
    for no, text in enumerate(code):
        if not text.strip():
            continue
        for m in COMPARE_RE.finditer(text):
            found.append((no, "compare", m.start(), m.end(), COMPARE[m.group(1)]))
        for m in LOGIC_RE.finditer(text):
            found.append((no, "logic", m.start(), m.end(), "||" if m.group(1) == "&&" else "&&"))
        for m in INT_RE.finditer(text):
            value = int(m.group(1))
            if m.group(1).startswith("0") and len(m.group(1)) > 1:
                continue  # octal spelling: leave it
            # The direction is drawn when the site is picked (see pick()).
            found.append((no, "constant", m.start(1), m.end(1), value))
        for m in CALL_RE.finditer(text):
            head = m.group(2)
            if head.split("::")[-1].split(".")[0].split("->")[0] in KEYWORDS:
                continue
            open_at = m.end() - 1
            close = matching_paren(text, open_at)
            # The statement is one call, name(args); (alone on its line, in a
            # one-line body, or the body of an if).
            before = text[:m.start(2)].strip()
            if not before:  # alone on its line: not the rest of the line above
                before = next((t.strip() for t in reversed(code[:no]) if t.strip()), ";")[-1:]
                if before not in (";", "{", "}", ")", ":"):
                    continue
            if close >= 0 and text[close + 1:close + 2] == ";" and not before.endswith(("=", "return")):
                found.append((no, "drop", m.start(2), close + 2, ";"))
        for m in COND_RE.finditer(text):
            open_at = m.end() - 1
            close = matching_paren(text, open_at)
            if close < 0:
                continue
            inner = lines[no][open_at + 1:close]
            if inner.startswith("const ") or inner.startswith("auto ") or ";" in inner:
                continue
            found.append((no, "negate", open_at + 1, close, "!(" + inner + ")"))
    return [(rel,) + s for s in found]


def all_sites(with_headers):
    sites = []
    for folder in FOLDERS:
        # src/host/posix/ with its folder: in the order of the file names.
        for path in sorted((p for p in (ROOT / "src" / folder).rglob("*") if p.is_file()), key=lambda p: p.name):
            rel = path.relative_to(ROOT).as_posix()
            if path.suffix == ".cpp" or (path.suffix == ".h" and (with_headers or rel in HEADERS_ALWAYS)):
                sites += sites_in(rel, path.read_text().split("\n"))
    return sites


def pick(sites, count, seed):
    """Round-robin over the folders, a random site of each in turn, until
    `count` (or every site) is taken. The same seed, the same mutants."""
    rng = random.Random(seed)
    by_folder = {}
    for s in sites:
        by_folder.setdefault(s[0].split("/")[1], []).append(s)
    for folder in by_folder:
        rng.shuffle(by_folder[folder])
    chosen = []
    while len(chosen) < count and any(by_folder.values()):
        for folder in FOLDERS:
            if by_folder.get(folder) and len(chosen) < count:
                chosen.append(by_folder[folder].pop())
    mutants = []
    for number, (rel, no, kind, start, end, repl) in enumerate(chosen, 1):
        if kind == "constant":
            repl = str(repl + 1) if repl == 0 or rng.random() < 0.5 else str(repl - 1)
        mutants.append({"id": number, "file": rel, "line": no, "kind": kind, "start": start, "end": end, "repl": repl})
    return mutants


def mutated_text(mutant, original):
    lines = original.split("\n")
    line = lines[mutant["line"]]
    lines[mutant["line"]] = line[:mutant["start"]] + mutant["repl"] + line[mutant["end"]:]
    return "\n".join(lines)


def diff_of(mutant, original):
    line = original.split("\n")[mutant["line"]]
    after = mutated_text(mutant, original).split("\n")[mutant["line"]]
    return f"-{line.strip()}\n+{after.strip()}"


# --- the scratch tree and its build ------------------------------------------

def sync_tree():
    """The scratch tree holds the worktree's files (tracked and new, not
    build/): only changed files are copied, so the build stays incremental."""
    listed = subprocess.run(["git", "ls-files", "-co", "--exclude-standard", "-z"], cwd=ROOT,
                            capture_output=True, check=True).stdout.decode().split("\0")
    for rel in filter(None, listed):
        if rel.startswith("build/"):
            continue
        src = ROOT / rel
        dst = TREE / rel
        if not src.is_file():
            continue
        if dst.is_file() and filecmp.cmp(src, dst, shallow=False):
            continue
        dst.parent.mkdir(parents=True, exist_ok=True)
        shutil.copy2(src, dst)
        os.utime(dst)  # newer than any object built from a mutant of it


def test_programs():
    return sorted(p.name for p in (ROOT / "tests").iterdir()
                  if p.is_dir() and any(p.glob("*.cpp")))


def configure_and_build(jobs):
    if not (BUILD / "build.ninja").exists():
        args = ["cmake", "-S", str(TREE), "-B", str(BUILD), "-G", "Ninja", "-DCMAKE_BUILD_TYPE=Debug"]
        if shutil.which("ccache"):
            args.append("-DCMAKE_CXX_COMPILER_LAUNCHER=ccache")
        subprocess.run(args, check=True, stdout=subprocess.DEVNULL)
    return build(jobs)


def build(jobs):
    targets = [f"tavrel_{t}_tests" for t in test_programs()]
    result = subprocess.run(["cmake", "--build", str(BUILD), "-j", str(jobs), "--target", *targets],
                            capture_output=True, text=True)
    return result.returncode == 0, result.stdout + result.stderr


def run_tests(order, timeout, jobs):
    """Runs the test programs, `jobs` at a time, in order; the first failure
    stops them all. Returns (killed, how)."""
    pending = list(order)
    running = {}
    deadline = time.monotonic() + timeout
    verdict = (False, "")
    while (pending or running) and not verdict[0]:
        while pending and len(running) < jobs:
            name = pending.pop(0)
            exe = BUILD / "tests" / f"tavrel_{name}_tests"
            log = open(WORK / f"last_{name}.log", "w")
            running[name] = (subprocess.Popen([str(exe), "--gtest_fail_fast", "--gtest_brief=1"], cwd=BUILD / "tests",
                                              stdout=log, stderr=subprocess.STDOUT, start_new_session=True), log)
        time.sleep(0.05)
        for name, (proc, log) in list(running.items()):
            if proc.poll() is None:
                continue
            log.close()
            del running[name]
            if proc.returncode != 0:
                failed = [l for l in open(WORK / f"last_{name}.log", errors="replace") if "[  FAILED  ]" in l]
                what = failed[0].split("]", 1)[1].strip() if failed else f"exit status {proc.returncode}"
                verdict = (True, f"{name}: {what}")
                break
        if time.monotonic() > deadline and not verdict[0]:
            verdict = (True, "timeout (" + ", ".join(running) + f" still running after {timeout:.0f} s)")
    for name, (proc, log) in running.items():
        os.killpg(proc.pid, signal.SIGKILL)
        proc.wait()
        log.close()
    return verdict


# --- the run -------------------------------------------------------------------

def main():
    parser = argparse.ArgumentParser(description="mutation testing of src/ against the Linux tests")
    parser.add_argument("count", nargs="?", type=int, default=60, help="how many mutants (default 60)")
    parser.add_argument("--seed", type=int, default=10, help="picks the mutants (default 10)")
    parser.add_argument("--only", help="run only these mutant ids (comma-separated) of the same pick")
    parser.add_argument("--list", action="store_true", help="print the mutants, build and run nothing")
    parser.add_argument("--headers", action="store_true", help="mutate headers too (slow: they rebuild more)")
    parser.add_argument("--jobs", type=int, default=2, help="build jobs and test programs at once (default 2)")
    args = parser.parse_args()

    mutants = pick(all_sites(args.headers), args.count, args.seed)
    if args.only:
        wanted = {int(x) for x in args.only.split(",")}
        mutants = [m for m in mutants if m["id"] in wanted]
    originals = {m["file"]: (ROOT / m["file"]).read_text() for m in mutants}
    if args.list:
        for m in mutants:
            print(f"#{m['id']} {m['kind']} {m['file']}:{m['line'] + 1}\n{diff_of(m, originals[m['file']])}")
        return 0

    started = time.monotonic()
    WORK.mkdir(parents=True, exist_ok=True)
    sync_tree()
    print(f"building the unmutated tree in {BUILD.relative_to(ROOT)} ...", flush=True)
    ok, log = configure_and_build(args.jobs)
    if not ok:
        print(log[-4000:])
        print("the unmutated tree does not build", file=sys.stderr)
        return 1
    programs = test_programs()
    t0 = time.monotonic()
    killed, how = run_tests(programs, 900, args.jobs)
    baseline = time.monotonic() - t0
    if killed:
        print(f"the unmutated tree fails its tests ({how}): fix that first", file=sys.stderr)
        return 1
    timeout = max(60.0, 3 * baseline)
    print(f"tests pass unmutated in {baseline:.0f} s; a mutant's tests time out after {timeout:.0f} s", flush=True)

    results = {"killed": [], "survived": [], "discarded": []}
    current = None
    try:
        for m in mutants:
            current = m
            target = TREE / m["file"]
            target.write_text(mutated_text(m, originals[m["file"]]))
            t0 = time.monotonic()
            ok, log = build(args.jobs)
            built = time.monotonic() - t0
            head = f"#{m['id']} {m['kind']} {m['file']}:{m['line'] + 1}"
            diff = diff_of(m, originals[m["file"]])
            if not ok:
                verdict, how = "discarded", "does not compile"
            else:
                order = [p for p in FIRST_TESTS.get(m["file"].split("/")[1], []) if p in programs]
                order += [p for p in programs if p not in order]
                t1 = time.monotonic()
                dead, how = run_tests(order, timeout, args.jobs)
                verdict = "killed" if dead else "survived"
                how = f"{how} (build {built:.0f} s, tests {time.monotonic() - t1:.0f} s)"
            target.write_text(originals[m["file"]])
            current = None
            results[verdict].append(m)
            print(f"{head}: {verdict.upper()} {how}\n{diff}", flush=True)
    finally:
        # The scratch tree never keeps a mutant, whatever stopped the run.
        if current is not None:
            (TREE / current["file"]).write_text(originals[current["file"]])

    k, s, d = len(results["killed"]), len(results["survived"]), len(results["discarded"])
    counted = k + s
    print(f"\nscore: {k} killed of {counted} counted ({100.0 * k / counted if counted else 0:.1f} %), "
          f"{s} survived, {d} discarded (do not compile); {len(mutants)} mutants, seed {args.seed}, "
          f"{time.monotonic() - started:.0f} s")
    if results["survived"]:
        print("survivors: " + ",".join(str(m["id"]) for m in results["survived"]) +
              f"  (rerun: ./run mutants {args.count} --seed {args.seed} --only ...)")
    return 0


if __name__ == "__main__":
    try:
        sys.exit(main())
    except KeyboardInterrupt:
        print("\ninterrupted (the scratch tree is restored)", file=sys.stderr)
        sys.exit(130)
