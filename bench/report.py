#!/usr/bin/env python3
"""Runs the benchmarks and writes their medians, each export against its
baseline, as a table into docs/PERFORMANCE.md.

    python3 bench/report.py                 # build (preset bench), run, write
    python3 bench/report.py --json FILE     # only turn an earlier run's JSON into the table

The run uses --benchmark_repetitions with median aggregates; the table holds
the medians of real (wall-clock) time and the ratio export / baseline.
"""
import argparse
import json
import os
import platform
import subprocess
import sys
import tempfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
REPETITIONS = 9
BENCH_ARGS = [f"--benchmark_repetitions={REPETITIONS}",
              "--benchmark_report_aggregates_only=true"]
COMMAND = "python3 bench/report.py"

# (export, what it costs, baseline, what the baseline is)
PAIRS = [
    ("SDLL_MultiplayerFinished", "poll while the game runs", "BM_PollWhileGameRuns",
     "bare 1 ms wait (poll(2))", "BM_BareWait1ms"),
    ("SDLL_MultiplayerFinished", "poll after the end (colour put back)", "BM_PollAfterEnd",
     "bare colour write (read, write, rename)", "BM_BareColourWrite"),
    ("SDLL_LaunchMultiplayer", "hosted launch (backup, script, colour, start)", "BM_Launch",
     "the same steps done directly", "BM_DirectSteps"),
    ("SDLL_EngineConfig", "engine check through the host", "BM_EngineCheck",
     "one bare existence test (stat(2))", "BM_BareExistenceTest"),
    ("SDLL_LoadConfiguration", "schema hand-over to the host", "BM_SchemaHandOver",
     "memcpy of the same bytes", "BM_SchemaMemcpy"),
]

SCALE = {"ns": 1.0, "us": 1e3, "ms": 1e6, "s": 1e9}


def run(build_dir):
    subprocess.run([os.path.join(ROOT, "cmake/ensure-packages.sh"), "cmake", "ninja-build",
                    "g++", "libbenchmark-dev", "libcli11-dev", "nlohmann-json3-dev",
                    "libasio-dev", "libssl-dev"], check=True)
    subprocess.run(["cmake", "--preset", "bench", "-B", build_dir], cwd=ROOT, check=True,
                   stdout=subprocess.DEVNULL)
    subprocess.run(["cmake", "--build", build_dir], cwd=ROOT, check=True)
    out = tempfile.NamedTemporaryFile(suffix=".json", delete=False).name
    subprocess.run([os.path.join(build_dir, "bench", "sdll_bench"), *BENCH_ARGS,
                    f"--benchmark_out={out}", "--benchmark_out_format=json"],
                   cwd=ROOT, check=True)
    return out


def medians(report):
    found = {}
    for b in report["benchmarks"]:
        if b.get("aggregate_name") != "median":
            continue
        name = b["run_name"].split("/")[0]
        found[name] = b["real_time"] * SCALE[b["time_unit"]]
    return found


def show(ns):
    if ns >= 1e6:
        return f"{ns / 1e6:.2f} ms"
    if ns >= 1e3:
        return f"{ns / 1e3:.2f} µs"
    return f"{ns:.2f} ns"


def machine():
    model = "unknown CPU"
    try:
        with open("/proc/cpuinfo") as f:
            for line in f:
                if line.startswith("model name"):
                    model = line.split(":", 1)[1].strip()
                    break
    except OSError:
        pass
    return f"{model}, {os.cpu_count()} cores, {platform.system()} {platform.release()}"


def table(report):
    m = medians(report)
    lines = ["| Export | Measured | Median | Baseline | Median | Ratio |",
             "|---|---|---:|---|---:|---:|"]
    for export, what, name, base_what, base in PAIRS:
        if name not in m or base not in m:
            lines.append(f"| `{export}` | {what} | not run | {base_what} | | |")
            continue
        lines.append(f"| `{export}` | {what} | {show(m[name])} | {base_what} | "
                     f"{show(m[base])} | {m[name] / m[base]:.2f}x |")
    return "\n".join(lines)


def write(report, path):
    ctx = report.get("context", {})
    text = f"""# Performance

Each export's median cost against the least work that could stand in for
it, from one run of the benchmarks (`bench/`, release build, real time,
{REPETITIONS} repetitions, medians). The exports are called through the host
kit as the launcher calls them, so their cost includes the host's service
calls. A ratio above 1 is what the plug-in adds to its baseline; one below
1 is run-to-run noise, as the export does at least the baseline's work.
Numbers vary from run to run and machine to machine, the ratios less so.

{table(report)}

- Machine: {machine()}
- Run: {ctx.get("date", "unknown date")}; plug-in built by the `bench` preset
  (Release); Google Benchmark from Debian ({ctx.get("library_build_type", "unknown")} build)
- Made by: `{COMMAND}` (builds the `bench` preset and runs
  `sdll_bench {" ".join(BENCH_ARGS)}`)

Where the time goes: a poll that finds the game ended, and each launch, put
back or read the highlight colour, which on POSIX is a small file replaced
by a rename; a poll while the game runs is the 1 ms wait itself. The engine
check is one host read, one UTF-16 conversion and the same existence test.
The schema hand-over is the host copying the text it is given.
"""
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w") as f:
        f.write(text)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--json", help="an earlier run's --benchmark_out JSON")
    parser.add_argument("--build-dir", default=os.path.join(ROOT, "build", "bench"))
    parser.add_argument("--out", default=os.path.join(ROOT, "docs", "PERFORMANCE.md"))
    args = parser.parse_args()
    path = args.json or run(args.build_dir)
    print(f"benchmark results: {path}", file=sys.stderr)
    with open(path) as f:
        report = json.load(f)
    write(report, args.out)
    print(table(report))
    print(f"written to {os.path.relpath(args.out, ROOT)}", file=sys.stderr)


if __name__ == "__main__":
    main()
