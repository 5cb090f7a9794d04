#!/bin/sh
# Builds the fuzz targets (preset `fuzz`, clang) and runs each for a bounded
# time on a fresh copy of its seed corpus, in the build folder, so the
# corpus in the repository only changes by hand.
#
#   tests/fuzz/fuzz.sh [SECONDS [TARGET...]]     default 20 s, every target
#
# Environment: FUZZ_BUILD_DIR (default build/fuzz). A finding stops the run
# with libFuzzer's report; the input is left as crash-* in the target's
# work folder, for a regression case under tests/fuzz/corpus/<target>/.
set -eu
cd "$(dirname "$0")/../.."
seconds=${1:-20}
case $seconds in
  '' | *[!0-9]* | 0) echo "usage: tests/fuzz/fuzz.sh [SECONDS [TARGET...]]" >&2; exit 2 ;;
esac
[ $# -gt 0 ] && shift
targets=${*:-"wide_to_host_string_fuzz parse_schema_fuzz launch_fuzz"}
build=${FUZZ_BUILD_DIR:-build/fuzz}

cmake/ensure-packages.sh cmake ninja-build clang libclang-rt-14-dev
cmake --preset fuzz -B "$build" >/dev/null
cmake --build "$build" --target sdll_fuzzers -j 2

for target in $targets; do
  work="$build/fuzz-runs/$target"
  rm -rf "$work"
  mkdir -p "$work/corpus" "$work/tmp"
  work=$(cd "$work" && pwd)  # the launch target works in a folder of its own
  cp tests/fuzz/corpus/"$target"/* "$work/corpus/"
  echo "== fuzz $target (${seconds}s) =="
  # The seeds are run first, so every kept regression input is replayed.
  TMPDIR="$work/tmp" ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
    UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    "$build/tests/fuzz/$target" -max_total_time="$seconds" -max_len=4096 -timeout=10 \
    -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$work/" "$work/corpus" \
    >"$work/log" 2>&1 || { tail -n 60 "$work/log"; exit 1; }
  grep -E "stat::number_of_executed_units|Done [0-9]+ runs" "$work/log" | tail -n 1 || true
done
