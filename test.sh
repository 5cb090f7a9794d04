#!/bin/sh
# Builds and runs every test: the unit and integration suites (plain and
# under AddressSanitizer + UndefinedBehaviorSanitizer).
set -eu
cd "$(dirname "$0")"
cmake/ensure-packages.sh cmake ninja-build g++ libgtest-dev libgmock-dev \
  libcli11-dev nlohmann-json3-dev binutils

for preset in dev asan; do
  echo "== $preset =="
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  ctest --preset "$preset" -j 2
done
