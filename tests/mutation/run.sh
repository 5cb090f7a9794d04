#!/bin/sh
# Mutation check: makes one small, plausible fault at a time in the sources
# (an operator, a constant, a condition, a call, a return value), rebuilds
# and runs the dev suite against it, and reports which faults no test saw.
# Opt-in, like tests/fuzz/fuzz.sh; ./test.sh does not run it.
#
#   tests/mutation/run.sh [--sample N] [--seed S] [--minutes M] [PATH...]
#   tests/mutation/run.sh --list plugin/launch/      # the mutants, no build
#   tests/mutation/run.sh --survivors                # the last run's survivors again
#   tests/mutation/run.sh --help
#
# It works on a copy of the sources in build/mutation/src, built in
# build/mutation/build with the dev preset, so no other build and no file
# of the worktree is touched; the copy is put back after every mutant,
# on Ctrl-C too. Survivors and the score per folder are printed at the end
# and kept in build/mutation/report.txt. Known equivalent survivors are
# listed, with the reason, in tests/mutation/equivalent.txt.
set -eu
cd "$(dirname "$0")/../.."
cmake/ensure-packages.sh cmake ninja-build g++ libgtest-dev libgmock-dev \
  libutfcpp-dev libcli11-dev nlohmann-json3-dev libasio-dev libboost-dev libssl-dev valgrind python3
exec nice -n 10 python3 tests/mutation/mutate.py "$@"
