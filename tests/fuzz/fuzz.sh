#!/bin/sh
# Builds the fuzz targets (preset `fuzz`, clang) and runs each for a bounded
# time on a fresh copy of its seed corpus, in the build folder, so the
# corpus in the repository only changes by hand: the fuzz tests of that
# build (RunFuzz.cmake), for longer than the 20 s of the `fuzz` workflow.
#
#   tests/fuzz/fuzz.sh [SECONDS [TARGET...]]     default 20 s, every target
#
# Environment: FUZZ_BUILD_DIR (default build/fuzz). A finding stops the run
# with libFuzzer's report; the input is left as crash-* in the target's
# work folder (fuzz-runs/<target>/ under tests/fuzz of the build), for a
# regression case under tests/fuzz/corpus/<target>/.
set -eu
cd "$(dirname "$0")/../.."
seconds=${1:-20}
case $seconds in
  '' | *[!0-9]* | 0) echo "usage: tests/fuzz/fuzz.sh [SECONDS [TARGET...]]" >&2; exit 2 ;;
esac
[ $# -gt 0 ] && shift
build=${FUZZ_BUILD_DIR:-build/fuzz}

cmake/ensure-packages.sh cmake ninja-build clang libclang-rt-14-dev libutfcpp-dev libcli11-dev \
  nlohmann-json3-dev libasio-dev libssl-dev
cmake --preset fuzz -B "$build" -DSDLL_FUZZ_SECONDS="$seconds" >/dev/null
cmake --build "$build" --target sdll_fuzzers
# Every target of the build unless some are named.
targets=${*:-$(ctest --test-dir "$build" -N | sed -n 's/^ *Test *#[0-9]*: //p')}

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
for target in $targets; do
  echo "== fuzz $target (${seconds}s) =="
  ctest --test-dir "$build" -R "^$target\$" --no-tests=error --output-on-failure >/dev/null ||
    { tail -n 60 "$build/tests/fuzz/fuzz-runs/$target/log"; exit 1; }
  grep -E "stat::number_of_executed_units|Done [0-9]+ runs" "$build/tests/fuzz/fuzz-runs/$target/log" | tail -n 1 || true
done
