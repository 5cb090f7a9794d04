#!/bin/sh
# Builds and runs every test: the unit and integration suites (plain and
# under AddressSanitizer + UndefinedBehaviorSanitizer; the plain run also
# repeats every export under valgrind and runs shellcheck on the shell
# programs), the fuzz targets, then the shipped 32-bit Windows DLL (PE
# check, then its suite and the demo host under 32-bit Wine, natively or on
# an emulated i386 machine: cmake/wine32.sh, which installs what it needs
# itself) and the 32-bit x86 Linux build under qemu-i386, where stdcall and
# cdecl really differ. Each stage is a CMake workflow preset (configure,
# build, test: CMakePresets.json).
set -eu
cd "$(dirname "$0")"
cmake/ensure-packages.sh cmake ninja-build g++ libgtest-dev libgmock-dev \
  libcli11-dev nlohmann-json3-dev libasio-dev libboost-dev libssl-dev binutils valgrind shellcheck dpkg-dev \
  python3-cram jq clang libclang-rt-14-dev \
  g++-mingw-w64-i686 mingw-w64-tools binutils-mingw-w64-i686 python3 googletest \
  g++-multilib qemu-user
# The real-server test's game server: where it cannot be installed, that
# test skips, saying so, and the rest runs.
cmake/ensure-packages.sh ioquake3-server iproute2 ||
  echo "ioquake3-server could not be installed: the real-server test will skip"

echo "== dev =="
cmake --workflow --preset dev
echo "== asan =="
cmake --workflow --preset asan
echo "== fuzz: each target 20 s on its seed corpus (clang, ASan + UBSan) =="
cmake --workflow --preset fuzz

echo "== mingw-i686: the DLL's PE layout, zip and reproducibility; under 32-bit Wine ($(cmake/wine32.sh mode)): suite, faults, demo, poll cost =="
cmake --workflow --preset mingw-i686

echo "== m32 under qemu-i386 =="
cmake --workflow --preset m32
