#!/usr/bin/env python3
"""Browses stand-in game servers on 127.0.0.1 (1,000 by default) with
`wolfet-host servers` and with `quakestat -woetm` (as it comes, and with
its master wait cut to 0.1 s), against the same stand-in master in the
same run, alternating the tools over several rounds. Prints the median
wall times, their ratios and how many servers each listed, as rows for
docs/PERFORMANCE.md; fails when quakestat listed more than wolfet-host.

    python3 bench/servers.py [--servers N] [--rounds R]
"""
import argparse
import json
import os
import statistics
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BUILD = os.path.join(ROOT, "build", "bench")
PACKAGES = ["cmake", "ninja-build", "g++", "libbenchmark-dev", "libcli11-dev",
            "nlohmann-json3-dev", "libasio-dev", "libssl-dev", "qstat"]


def timed(command):
    start = time.monotonic()
    done = subprocess.run(command, capture_output=True, text=True, errors="replace", check=False)
    return time.monotonic() - start, done


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--servers", type=int, default=1000)
    parser.add_argument("--rounds", type=int, default=5)
    args = parser.parse_args()
    subprocess.run([os.path.join(ROOT, "cmake", "ensure-packages.sh")] + PACKAGES, check=True)
    subprocess.run(["cmake", "--preset", "bench"], cwd=ROOT, check=True, stdout=subprocess.DEVNULL)
    subprocess.run(["cmake", "--build", "--preset", "bench"], cwd=ROOT, check=True)

    stand_in = subprocess.Popen([os.path.join(BUILD, "bench", "stand-in-servers"),
                                 str(args.servers)],
                                stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
    try:
        master = "127.0.0.1:" + stand_in.stdout.readline().strip()
        host = [os.path.join(BUILD, "tools", "host", "wolfet-host"), "--settings",
                os.path.join(BUILD, "servers-bench.json"), "servers", "--json",
                "--master", master]
        # quakestat waits for more of the master's list for (retries + 1)
        # times its master interval (2 s) whatever the list says; the
        # second run shortens that wait to 0.1 s.
        qstats = {"qstat": ["quakestat", "-woetm", master, "-nh"],
                  "qstat_mi": ["quakestat", "-woetm", master, "-nh", "-mi", "0.1"]}
        times = {"host": [], "qstat": [], "qstat_mi": []}
        listed = {"host": [], "qstat": [], "qstat_mi": []}
        for _ in range(args.rounds):
            seconds, done = timed(host)
            answered = [s for s in json.loads(done.stdout) if s["answered"]]
            times["host"].append(seconds)
            listed["host"].append(len(answered))
            for name, qstat in qstats.items():
                seconds, done = timed(qstat)
                rows = [line for line in done.stdout.splitlines() if line.startswith("WOETS ")]
                up = [r for r in rows
                      if not any(w in r for w in ("no response", "DOWN", "TIMEOUT"))]
                times[name].append(seconds)
                listed[name].append(len(up))
    finally:
        stand_in.stdin.close()
        stand_in.wait()

    host_s = statistics.median(times["host"])
    labels = {"host": "`wolfet-host servers --json`", "qstat": "`quakestat -woetm`",
              "qstat_mi": "`quakestat -woetm -mi 0.1`"}
    print(f"{args.servers} stand-in servers on 127.0.0.1, {args.rounds} rounds, medians")
    print("| Command | Wall time | Servers listed (answering) | Time against wolfet-host |")
    print("|---|---:|---:|---:|")
    for name, label in labels.items():
        median = statistics.median(times[name])
        print(f"| {label} | {median * 1000:.0f} ms | {min(listed[name])} to "
              f"{max(listed[name])} | {median / host_s:.1f}x |")
    print("all rounds:", json.dumps({k: [round(t, 3) for t in v] for k, v in times.items()}))
    most = max(max(listed["qstat"]), max(listed["qstat_mi"]))
    return 0 if min(listed["host"]) >= most else 1


if __name__ == "__main__":
    sys.exit(main())
