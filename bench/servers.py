#!/usr/bin/env python3
"""Browses stand-in game servers on 127.0.0.1 (1,000 by default) with
`wolfet-host servers` and with `quakestat -woetm`, against the same
stand-in master in the same run, alternating the two tools over several
rounds. Prints both median wall times, their ratio and how many servers
each listed, as rows for docs/PERFORMANCE.md.

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
        qstat = ["quakestat", "-woetm", master, "-nh"]
        times = {"host": [], "qstat": []}
        listed = {"host": [], "qstat": []}
        for _ in range(args.rounds):
            seconds, done = timed(host)
            answered = [s for s in json.loads(done.stdout) if s["answered"]]
            times["host"].append(seconds)
            listed["host"].append(len(answered))
            seconds, done = timed(qstat)
            rows = [line for line in done.stdout.splitlines() if line.startswith("WOETS ")]
            up = [r for r in rows if not any(w in r for w in ("no response", "DOWN", "TIMEOUT"))]
            times["qstat"].append(seconds)
            listed["qstat"].append(len(up))
    finally:
        stand_in.stdin.close()
        stand_in.wait()

    host_s = statistics.median(times["host"])
    qstat_s = statistics.median(times["qstat"])
    print(f"{args.servers} stand-in servers on 127.0.0.1, {args.rounds} rounds, medians")
    print("| Tool | Wall time | Servers listed (answering) |")
    print("|---|---:|---:|")
    print(f"| `wolfet-host servers --json` | {host_s * 1000:.0f} ms | "
          f"{min(listed['host'])} to {max(listed['host'])} |")
    print(f"| `quakestat -woetm` | {qstat_s * 1000:.0f} ms | "
          f"{min(listed['qstat'])} to {max(listed['qstat'])} |")
    print(f"wolfet-host took {host_s / qstat_s:.4f} of quakestat's time "
          f"({qstat_s / host_s:.0f}x faster)")
    print("all rounds:", json.dumps({k: [round(t, 3) for t in v] for k, v in times.items()}))
    return 0 if min(listed["host"]) >= max(listed["qstat"]) else 1


if __name__ == "__main__":
    sys.exit(main())
