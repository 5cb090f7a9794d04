#!/bin/sh
# Builds and runs every test: the unit and integration suites (plain and
# under AddressSanitizer + UndefinedBehaviorSanitizer; the plain run also
# repeats every export under valgrind), the fuzz targets, then the shipped
# 32-bit Windows DLL (PE check, then its suite and the demo host under
# 32-bit Wine, natively or on an emulated i386 machine: cmake/wine32.sh)
# and the 32-bit x86 Linux build under qemu-i386, where stdcall and cdecl
# really differ.
set -eu
cd "$(dirname "$0")"
cmake/ensure-packages.sh cmake ninja-build g++ libgtest-dev libgmock-dev \
  libcli11-dev nlohmann-json3-dev libasio-dev libssl-dev binutils valgrind

for preset in dev asan; do
  echo "== $preset =="
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  ctest --preset "$preset" -j 2
done

echo "== fuzz: each target 20 s on its seed corpus (clang, ASan + UBSan) =="
tests/fuzz/fuzz.sh 20

echo "== mingw-i686: the DLL and its tests =="
cmake/ensure-packages.sh g++-mingw-w64-i686 mingw-w64-tools binutils-mingw-w64-i686 python3 googletest
cmake --preset mingw-i686 >/dev/null
cmake --build --preset mingw-i686

echo "== mingw-i686: PE layout, zip, reproducibility; under 32-bit Wine ($(cmake/wine32.sh mode)): suite, demo, poll cost =="
cmake/wine32.sh prepare
ctest --test-dir build/mingw-i686 --output-on-failure

echo "== m32 under qemu-i386 =="
cmake/ensure-packages.sh g++-multilib qemu-user googletest
cmake --preset m32 >/dev/null
cmake --build --preset m32
ctest --test-dir build/m32 --output-on-failure -j 2
