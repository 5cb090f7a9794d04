#!/bin/sh
# Builds the release plug-in with the benchmarks and runs them: the poll
# against a bare 1 ms wait and a launch against the same steps done
# directly, with the two ratios printed at the end.
set -eu
cd "$(dirname "$0")"
cmake/ensure-packages.sh cmake ninja-build g++ libbenchmark-dev libcli11-dev nlohmann-json3-dev libasio-dev libssl-dev
cmake --preset bench >/dev/null
cmake --build --preset bench
exec build/bench/bench/sdll_bench "$@"
