#!/usr/bin/env python3
"""Mutation check driven by tests/mutation/run.sh (see there for usage).

Mutants are made mechanically, line by line, from every source the dev build
compiles under plugin/, hostkit/ and tools/ (and the headers beside them):

  rel     < <= > >= == != shifted or negated        (a < b  ->  a <= b)
  arith   + - * / % swapped, ++ and -- swapped, += and -= swapped
  logic   && and || swapped
  const   an integer literal plus and minus one
  negate  an if/while condition negated
  delete  a statement line, or the statement of a one-line if, dropped
  bool    true and false swapped; the arms of a returned ?: swapped

Comments, string and character literals and preprocessor lines are left
alone. A mutant that does not compile, or compiles to the same object code
as the clean sources, is not counted. A mutant is caught when the suite
fails or runs past its time limit.
"""
import argparse
import fnmatch
import hashlib
import json
import os
import random
import re
import shutil
import signal
import subprocess
import sys
import time

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
WORK = os.path.join(ROOT, "build", "mutation")
SRC = os.path.join(WORK, "src")
BUILD = os.path.join(WORK, "build")
SCRATCH = os.path.join(WORK, "tmp")
FOLDERS = ("plugin", "hostkit", "tools")
# What the copy needs to configure, build and install (cli_install) the dev preset.
COPIED = ("CMakeLists.txt", "CMakePresets.json", "LICENSE", "README.md", "SECURITY.md", "docs", "cmake",
          "include", "plugin", "hostkit",
          "tools", "tests")
# Replaced in another branch by a library digest; never mutated.
SKIPPED = ("tools/wolfet-host/sha256.cpp", "tools/wolfet-host/sha256.h")
EQUIVALENT = os.path.join(ROOT, "tests", "mutation", "equivalent.txt")
SOURCE_EXT = (".c", ".cc", ".cpp", ".h", ".hpp")


# ---- the copy of the sources -------------------------------------------------

def sync_copy():
    """Makes SRC the worktree's sources, rewriting only files that differ, so
    ninja rebuilds only what changed since the last run (and a copy left
    mutated by a killed run is mended here)."""
    wanted = set()
    for top in COPIED:
        path = os.path.join(ROOT, top)
        if os.path.isfile(path):
            wanted.add(top)
            continue
        for folder, dirs, files in os.walk(path):
            dirs[:] = [d for d in dirs if d != "corpus"]
            for name in files:
                wanted.add(os.path.relpath(os.path.join(folder, name), ROOT))
    for rel in sorted(wanted):
        src, dst = os.path.join(ROOT, rel), os.path.join(SRC, rel)
        if os.path.exists(dst) and read(src) == read(dst):
            continue
        os.makedirs(os.path.dirname(dst), exist_ok=True)
        # A fresh mtime, not the worktree's: an object built from the old
        # copy may be newer than the edit, and ninja must still rebuild.
        shutil.copyfile(src, dst)
        shutil.copymode(src, dst)
    for folder, _, files in os.walk(SRC):
        for name in files:
            rel = os.path.relpath(os.path.join(folder, name), SRC)
            if rel not in wanted:
                os.remove(os.path.join(folder, name))


def read(path):
    with open(path, "rb") as f:
        return f.read()


def write(path, data):
    with open(path, "wb") as f:
        f.write(data)


def configure():
    os.makedirs(BUILD, exist_ok=True)
    # The dev preset, in a build folder of its own, with a shorter time
    # limit per test: a mutant that hangs a test is caught all the same.
    subprocess.run(["cmake", "--preset", "dev", "-B", BUILD, "-DSDLL_TEST_TIMEOUT=30"],
                   cwd=SRC, check=True, stdout=subprocess.DEVNULL)


def compiled_sources():
    """Sources the dev build compiles, and the headers in their folders."""
    with open(os.path.join(BUILD, "compile_commands.json")) as f:
        units = {os.path.relpath(e["file"], SRC) for e in json.load(f)}
    out = set()
    for rel in units:
        if rel.split(os.sep)[0] not in FOLDERS:
            continue
        out.add(rel)
        folder = os.path.dirname(os.path.join(SRC, rel))
        for name in os.listdir(folder):
            if name.endswith((".h", ".hpp")):
                out.add(os.path.relpath(os.path.join(folder, name), SRC))
    return sorted(r for r in out if r not in SKIPPED and os.path.exists(os.path.join(ROOT, r)))


# ---- making mutants ------------------------------------------------------------

def mask_lines(text):
    """Each line with comments and the insides of literals blanked out, so
    operators are only found in code; preprocessor lines blanked whole."""
    out, in_block = [], False
    for line in text.split("\n"):
        chars, i, quote = list(line), 0, None
        if not in_block and line.lstrip().startswith("#"):
            out.append(" " * len(line))
            continue
        while i < len(chars):
            c, nxt = chars[i], line[i + 1] if i + 1 < len(line) else ""
            if in_block:
                if c == "*" and nxt == "/":
                    chars[i] = chars[i + 1] = " "
                    in_block = False
                    i += 2
                    continue
                chars[i] = " "
            elif quote:
                if c == "\\":
                    chars[i] = " "
                    if i + 1 < len(chars):
                        chars[i + 1] = " "
                    i += 2
                    continue
                if c == quote:
                    quote = None
                else:
                    chars[i] = " "
            elif c == "/" and nxt == "/":
                for k in range(i, len(chars)):
                    chars[k] = " "
                break
            elif c == "/" and nxt == "*":
                chars[i] = chars[i + 1] = " "
                in_block = True
                i += 2
                continue
            elif c in "\"'" and not (c == "'" and i > 0 and line[i - 1].isalnum()):
                quote = c
            i += 1
        out.append("".join(chars))
    return out


def matching_paren(masked, open_at):
    depth = 0
    for i in range(open_at, len(masked)):
        if masked[i] == "(":
            depth += 1
        elif masked[i] == ")":
            depth -= 1
            if depth == 0:
                return i
    return -1


REL = {"<": ["<="], "<=": ["<"], ">": [">="], ">=": [">"], "==": ["!="], "!=": ["=="]}
ARITH = {"+": ["-"], "-": ["+"], "*": ["/"], "/": ["*"], "%": ["*"]}
STATEMENT = re.compile(r"^(\s*)((?:[A-Za-z_][\w]*(?:::|\.|->))*[A-Za-z_]\w*(?:\[[^\]]*\])?"
                       r"\s*(?:\(.*\)|(?:[-+*/|&]?=)\s*[^=].*|\+\+|--)\s*;)\s*$")
ONE_LINE_IF = re.compile(r"^(\s*(?:\}\s*)?(?:if|else if|while|for)\s*)\(")
NOT_STATEMENT = re.compile(r"^\s*(return|break|continue|case|default|goto|throw|delete|using|"
                           r"typedef|static_assert)\b")


def mutants_of_line(line, masked):
    """(kind, "'old' -> 'new'", mutated line) for each mutant of one line."""
    found = []

    def add(kind, start, end, new):
        found.append((kind, "%r -> %r" % (line[start:end].strip(), new),
                      line[:start] + new + line[end:]))

    for m in re.finditer(r"(?<= )(<=|>=|==|!=|<|>)(?= )", masked):
        for new in REL[m.group(1)]:
            add("rel", m.start(1), m.end(1), new)
    for m in re.finditer(r"(?<= )([-+*/%])(?= )", masked):
        before = line[:m.start()].rstrip()[-1:]
        after = line[m.end():].lstrip()[:1]
        if '"' in (before, after):
            continue  # string concatenation: would not compile
        for new in ARITH[m.group(1)]:
            add("arith", m.start(1), m.end(1), new)
    for m in re.finditer(r"(\+\+|--)", masked):
        add("arith", m.start(), m.end(), "--" if m.group() == "++" else "++")
    for m in re.finditer(r"(?<= )(\+=|-=)(?= )", masked):
        add("arith", m.start(), m.end(), "-=" if m.group() == "+=" else "+=")
    for m in re.finditer(r"(?<= )(&&|\|\|)(?= )", masked):
        add("logic", m.start(), m.end(), "||" if m.group() == "&&" else "&&")
    for m in re.finditer(r"(?<![\w.])(0[xX][0-9A-Fa-f]+|\d+)([uUlL]*)(?![\w.])", masked):
        digits, suffix = m.group(1), m.group(2)
        value = int(digits, 16) if digits[:2].lower() == "0x" else int(digits)
        for new_value in (value + 1, value - 1):
            if new_value < 0:
                continue
            text = ("0x%0*X" % (len(digits) - 2, new_value)) if digits[:2].lower() == "0x" \
                else str(new_value)
            add("const", m.start(), m.end(), text + suffix)
    for m in re.finditer(r"\b(if|while)\s*\(", masked):
        open_at = m.end() - 1
        close = matching_paren(masked, open_at)
        if close < 0:
            continue
        inner = line[open_at + 1:close]
        if re.match(r"\s*(auto|const)\b|\s*[\w:<>]+\s+\*?\w+\s*=[^=]", inner):
            continue  # a declaration in the condition cannot be negated
        add("negate", open_at, close + 1, "(!(" + inner + "))")
    for m in re.finditer(r"\b(true|false)\b", masked):
        add("bool", m.start(), m.end(), "false" if m.group() == "true" else "true")
    ternary = re.match(r"^(\s*return\s+)(.+?) \? (.+) : (.+);\s*$", masked)
    if ternary and masked.count(" ? ") == 1 and masked.count(" : ") == 1:
        a = line[ternary.start(3):ternary.end(3)]
        b = line[ternary.start(4):ternary.end(4)]
        add("bool", ternary.start(3), ternary.end(4), b + " : " + a)

    # Deleting a statement: a whole-line call or assignment, or the
    # statement after a one-line if/while/for.
    if not NOT_STATEMENT.match(masked):
        m = STATEMENT.match(masked)
        if m and masked.count("(") == masked.count(")") and "{" not in masked:
            add("delete", m.start(2), len(line), ";")
    m = ONE_LINE_IF.match(masked)
    if m:
        close = matching_paren(masked, m.end() - 1)
        rest = masked[close + 1:] if close > 0 else ""
        body = rest.strip()
        if (body.endswith(";") and not body.startswith(("return", "{", "break", "continue"))
                and rest.count("(") == rest.count(")")):
            start = close + 1 + (len(rest) - len(rest.lstrip()))
            add("delete", start, len(line.rstrip()), "{}")
    return found


def make_mutants(files):
    mutants = []
    for rel in files:
        text = read(os.path.join(SRC, rel)).decode("utf-8", "replace")
        lines = text.split("\n")
        seen = set()
        codes = [code_of(line) for line in lines]
        for number, (line, masked) in enumerate(zip(lines, mask_lines(text)), start=1):
            for kind, change, new_line in mutants_of_line(line, masked):
                if new_line == line or (number, new_line) in seen:
                    continue
                seen.add((number, new_line))
                mutants.append({"file": rel, "line": number, "kind": kind,
                                "old_line": line, "new_line": new_line, "change": change,
                                "after": "" if codes.count(codes[number - 1]) == 1
                                else code_before(codes, number)})
    return mutants


def folder_of(rel):
    return rel.split(os.sep)[0] + "/"


def code_of(line):
    """A source line as an entry names it: blanks collapsed, so that a
    reformatted or re-indented line keeps its entry."""
    return " ".join(line.split())


def code_before(codes, number):
    """The code of the last non-blank line before line `number`: what tells
    apart lines of the same code (`return 1;`) in one file."""
    for code in reversed(codes[:number - 1]):
        if code:
            return code
    return ""


def load_equivalent():
    """The (file, change, code, after) keys of survivors that change
    nothing observable, from lines "file: change in `code`  # why", or
    "file: change in `code` after `code before it`  # why" for a line whose
    code is not unique in its file. Keyed by code rather than by number, an
    entry follows the line when the source around it moves, and lapses
    when the line itself (or the one before a repeated line) changes."""
    keys = set()
    if os.path.exists(EQUIVALENT):
        with open(EQUIVALENT) as f:
            for raw in f:
                if raw.startswith("#") or not raw.strip():
                    continue
                entry = raw.split("`  # ", 1)[0] + "`"
                head, found, rest = entry.partition(" in `")
                code, _, after = rest.partition("` after `")
                name, colon, change = head.partition(": ")
                if not (found and colon and rest.endswith("`")):
                    print("equivalent.txt: not an entry: %s" % raw.rstrip())
                    continue
                keys.add((name, change, code_of(code.rstrip("`")), code_of(after.rstrip("`"))))
    return keys


def key_of(m):
    return (m["file"], m["change"], code_of(m.get("old_line", "")), m.get("after", ""))


def entry_of(m):
    after = " after `%s`" % m["after"] if m.get("after") else ""
    return "%s: %s in `%s`%s" % (m["file"], m["change"], code_of(m.get("old_line", "")), after)


def lapsed_entries(equivalent):
    """Entries whose file or line is no longer there: judged again when
    their mutant comes back."""
    lapsed = []
    for name, change, code, after in sorted(equivalent):
        path = os.path.join(ROOT, name)
        lines = read(path).decode("utf-8", "replace").split("\n") if os.path.exists(path) else []
        codes = [code_of(line) for line in lines]
        at = [n for n, c in enumerate(codes, start=1) if c == code]
        if not (len(at) == 1 and not after or any(code_before(codes, n) == after for n in at)):
            lapsed.append("%s: %s in `%s`%s" % (name, change, code,
                                                " after `%s`" % after if after else ""))
    return lapsed


def locate(m, lines):
    """The line number of the mutant's line now: where it was if it is
    still there, else the nearest line with the same code (0: gone)."""
    if "old_line" not in m:
        return m["line"]
    codes = [code_of(line) for line in lines]
    at = [n for n, c in enumerate(codes, start=1) if c == code_of(m["old_line"])
          and (not m.get("after") or code_before(codes, n) == m["after"])]
    return min(at, key=lambda n: abs(n - m["line"])) if at else 0


# ---- running one mutant -------------------------------------------------------------

FAILED = re.compile(r"\*\*\*(Failed|Timeout|Exception)")


def empty_scratch():
    """Ends what a killed test left running there (a browser starts in a
    process group of its own, which killing the test's does not reach),
    then empties the scratch folder."""
    marker = ("TMPDIR=" + SCRATCH).encode()
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            with open("/proc/%s/environ" % pid, "rb") as f:
                if marker in f.read().split(b"\0") and int(pid) != os.getpid():
                    os.kill(int(pid), signal.SIGKILL)
        except OSError:
            continue
    for _ in range(50):
        shutil.rmtree(SCRATCH, ignore_errors=True)
        if not os.path.exists(SCRATCH):
            break
        time.sleep(0.1)
    os.makedirs(SCRATCH, exist_ok=True)


def run_group(args, limit, log, stop_on_failure=False):
    """Runs a command in a process group of its own; kills the whole group
    (games the tests started included) when it outlives `limit`, or, with
    `stop_on_failure`, as soon as ctest reports a failed test: the tests
    still running cannot change the outcome."""
    log.flush()
    start = log.tell()
    # Tests killed mid-way leave their scratch folders: they go into one
    # folder of the run's own, emptied each time.
    empty_scratch()
    proc = subprocess.Popen(args, cwd=BUILD, stdout=log, stderr=subprocess.STDOUT,
                            start_new_session=True, env=dict(os.environ, TMPDIR=SCRATCH))
    deadline = time.time() + limit
    try:
        while proc.poll() is None:
            if time.time() > deadline:
                os.killpg(proc.pid, signal.SIGKILL)
                proc.wait()
                return None
            if stop_on_failure:
                with open(log.name, errors="replace") as f:
                    f.seek(start)
                    if FAILED.search(f.read()):
                        os.killpg(proc.pid, signal.SIGKILL)
                        proc.wait()
                        return 1
            time.sleep(0.1)
        return proc.returncode
    except BaseException:
        os.killpg(proc.pid, signal.SIGKILL)
        proc.wait()
        raise


def build(log):
    return run_group(["cmake", "--build", BUILD, "-j", "2"], 600, log) == 0


def objects(known=None):
    """Path -> (mtime, digest) of every object file; digests are only taken
    anew for files whose mtime differs from `known`."""
    out = {}
    for folder, _, files in os.walk(BUILD):
        for name in files:
            if name.endswith((".o", ".obj")):
                path = os.path.join(folder, name)
                mtime = os.stat(path).st_mtime_ns
                if known and path in known and known[path][0] == mtime:
                    out[path] = known[path]
                else:
                    out[path] = (mtime, hashlib.sha1(read(path)).hexdigest())
    return out


def suite(limit, log, valgrind, every=False):
    """'pass', 'fail' or 'timeout'. The quick tests first, stopping at the
    first failure (with `every`, running them all); the valgrind runs after
    them when asked for."""
    deadline = time.time() + limit
    # shellcheck reads the shell programs, which no mutant touches and the
    # copy does not hold.
    phases = [["-E", "valgrind|shellcheck"]] + ([["-R", "valgrind"]] if valgrind else [])
    failed = False
    for selection in phases:
        left = max(1.0, deadline - time.time())
        stop = [] if every else ["--stop-on-failure"]
        code = run_group(["ctest", "-j", "2", "--no-tests=ignore"] + stop + selection, left, log,
                         stop_on_failure=not every)
        if code is None:
            return "timeout"
        failed = failed or code != 0
        if failed and not every:
            break
    return "fail" if failed else "pass"


def failed_tests(log_path):
    """The tests a run saw fail, from ctest's output."""
    with open(log_path, errors="replace") as f:
        return sorted(set(re.findall(
            r"Test +#\d+: (\S+) \.+[^\n]*?\*\*\*(?:Failed|Timeout|Exception)", f.read())))


def main():
    parser = argparse.ArgumentParser(description="Mutation check against the dev suite.")
    parser.add_argument("paths", nargs="*", help="files or folders (globs allowed) to mutate; "
                        "default: plugin/ hostkit/ tools/")
    parser.add_argument("--sample", type=int, default=0,
                        help="mutants per top folder, picked at random (0: all)")
    parser.add_argument("--seed", type=int, default=1, help="seed of the sample")
    parser.add_argument("--minutes", type=float, default=0,
                        help="stop starting new mutants after this many minutes")
    parser.add_argument("--kinds", default="", help="comma-separated kinds to keep")
    parser.add_argument("--limit", type=float, default=0,
                        help="seconds per suite run (default: 4 x the clean run, at least 60)")
    parser.add_argument("--valgrind", choices=("all", "delete", "none"), default="all",
                        help="mutants whose survival the valgrind tests also judge: all, only "
                        "deleted statements (a dropped release leaks), or none")
    parser.add_argument("--survivors", action="store_true",
                        help="run only the survivors of the last run again (after the tests "
                        "changed) and update its report")
    parser.add_argument("--list", action="store_true", help="list the mutants and stop")
    parser.add_argument("--every-test", action="store_true",
                        help="run the whole suite on each mutant, not stopping at the first "
                        "failure, and report which tests alone catch a mutant (slower)")
    opts = parser.parse_args()

    os.makedirs(WORK, exist_ok=True)
    sync_copy()
    configure()
    files = compiled_sources()
    if opts.paths:
        pats = [p.rstrip("/") for p in opts.paths]
        files = [f for f in files
                 if any(f == p or f.startswith(p + "/") or fnmatch.fnmatch(f, p) for p in pats)]
    mutants = make_mutants(files)
    if opts.kinds:
        mutants = [m for m in mutants if m["kind"] in opts.kinds.split(",")]
    if opts.sample:
        rng = random.Random(opts.seed)
        picked = []
        for top in sorted({folder_of(m["file"]) for m in mutants}):
            group = [m for m in mutants if folder_of(m["file"]) == top]
            picked += rng.sample(group, min(opts.sample, len(group)))
        mutants = sorted(picked, key=lambda m: (m["file"], m["line"]))
    kept = []
    if opts.survivors:
        with open(os.path.join(WORK, "results.json")) as f:
            previous = json.load(f)
        kept = [m for m in previous if m["outcome"] != "pass"]
        mutants = [m for m in previous if m["outcome"] == "pass"]
    if opts.list:
        for m in mutants:
            print("%s:%d: [%s] %s" % (m["file"], m["line"], m["kind"], m["change"]))
        print("%d mutants in %d files" % (len(mutants), len(files)))
        return 0

    log_path = os.path.join(WORK, "last.log")
    with open(log_path, "w") as log:
        started = time.time()
        if not build(log):
            print("the clean copy does not build; see %s" % log_path)
            return 2
        if suite(3600, log, opts.valgrind != "none") != "pass":
            print("the dev suite fails without any mutant; see %s" % log_path)
            return 2
        clean = time.time() - started
    clean_objects = objects()
    seen_objects = dict(clean_objects)
    limit = opts.limit or max(60.0, 4 * clean)
    print("%d mutants in %d files; clean build and suite %.0f s, limit %.0f s per mutant"
          % (len(mutants), len(files), clean, limit), flush=True)

    # Ctrl-C, a hang-up or a kill ends the run through the finally below,
    # which puts the mutated file back.
    signal.signal(signal.SIGINT, signal.default_int_handler)
    for sig in (signal.SIGTERM, signal.SIGHUP):
        signal.signal(sig, lambda *_: (_ for _ in ()).throw(KeyboardInterrupt()))

    results = []
    begun = time.time()
    try:
        for index, m in enumerate(mutants, start=1):
            if opts.minutes and time.time() - begun > opts.minutes * 60:
                print("time is up after %d mutants" % (index - 1))
                break
            path = os.path.join(SRC, m["file"])
            original = read(path) if os.path.exists(path) else b""
            lines = original.decode("utf-8", "replace").split("\n")
            m["line"] = locate(m, lines)
            t0 = time.time()
            if m["line"] == 0:  # a survivor whose line has changed since: not counted
                m["outcome"] = "gone"
                results.append(m)
                print("[%d/%d] gone     %s: %s" % (index, len(mutants), m["file"], m["change"]))
                continue
            lines[m["line"] - 1] = m["new_line"]
            try:
                write(path, "\n".join(lines).encode("utf-8"))
                with open(log_path, "w") as log:
                    valgrind = opts.valgrind == "all" or (opts.valgrind == "delete"
                                                          and m["kind"] == "delete")
                    outcome = "no-build"
                    if build(log):
                        # A mutant that compiles to the very same code (one in
                        # a branch the preprocessor drops, say) changes nothing.
                        seen_objects = objects(seen_objects)
                        same = all(seen_objects[p][1] == clean_objects.get(p, (0, ""))[1]
                                   for p in seen_objects)
                        outcome = "same-code" if same else suite(limit, log, valgrind,
                                                                   opts.every_test)
            finally:
                write(path, original)
            m["outcome"] = outcome
            m["every_test"] = opts.every_test
            m["caught_by"] = failed_tests(log_path) if outcome == "fail" else []
            results.append(m)
            print("[%d/%d] %-8s %s:%d [%s] %s (%.0f s)" % (
                index, len(mutants), outcome, m["file"], m["line"], m["kind"], m["change"],
                time.time() - t0), flush=True)
    except KeyboardInterrupt:
        print("\ninterrupted; the copy is restored", flush=True)
    # Survivors not run again (time up, Ctrl-C) keep their earlier outcome.
    report(kept + results + (mutants[len(results):] if opts.survivors else []))
    return 0


def report(results):
    equivalent = load_equivalent()
    lines = []
    survivors = [m for m in results if m["outcome"] == "pass"]
    lines.append("score per folder (caught / counted; not compiling and known equivalent "
                 "survivors not counted):")
    for top in FOLDERS:
        group = [m for m in results if folder_of(m["file"]) == top + "/"]
        if not group:
            continue
        caught = sum(m["outcome"] in ("fail", "timeout") for m in group)
        equiv = sum(m["outcome"] == "pass" and key_of(m) in equivalent for m in group)
        alive = sum(m["outcome"] == "pass" for m in group) - equiv
        built = caught + alive
        lines.append("  %-9s %3d / %3d  %5.1f%%   (%d equivalent, %d not built or same code)" % (
            top + "/", caught, built, 100.0 * caught / built if built else 0.0, equiv,
            sum(m["outcome"] in ("no-build", "same-code", "gone") for m in group)))
    tally = {}
    for m in results:
        for test in m.get("caught_by", []):
            tally[test] = tally.get(test, 0) + 1
    every = any(m.get("every_test") for m in results)
    lines.append("mutants caught, by %s:" % (
        "each test that failed on them (alone: caught by no other test)" if every
        else "the first test that failed on them"))
    alone = {}
    for m in results:
        if len(m.get("caught_by", [])) == 1:
            alone[m["caught_by"][0]] = alone.get(m["caught_by"][0], 0) + 1
    for test, n in sorted(tally.items(), key=lambda item: -item[1]):
        lines.append("  %4d  %s%s" % (n, test, "  (alone: %d)" % alone.get(test, 0) if every
                                      else ""))
    lines.append("survivors (file:line [kind] change in `code`, as an entry of equivalent.txt "
                 "names it):")
    for m in survivors:
        mark = "  (equivalent)" if key_of(m) in equivalent else ""
        lines.append("  %s:%d [%s] %s%s" % (m["file"], m["line"], m["kind"],
                                          entry_of(m).split(": ", 1)[1], mark))
    lapsed = lapsed_entries(equivalent)
    if lapsed:
        lines.append("entries of equivalent.txt whose line is gone (%d):" % len(lapsed))
        lines += ["  " + entry for entry in lapsed]
    text = "\n".join(lines)
    print(text)
    with open(os.path.join(WORK, "report.txt"), "w") as f:
        f.write(text + "\n")
    with open(os.path.join(WORK, "results.json"), "w") as f:
        json.dump(results, f, indent=1)


if __name__ == "__main__":
    sys.exit(main())
