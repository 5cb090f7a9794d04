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
  libutfcpp-dev libcli11-dev nlohmann-json3-dev libasio-dev libboost-dev libssl-dev binutils valgrind shellcheck dpkg-dev \
  python3-cram jq clang libclang-rt-14-dev \
  g++-mingw-w64-i686 mingw-w64-tools binutils-mingw-w64-i686 python3 googletest \
  g++-multilib qemu-user
# The real-engine transcript's game: Debian's ioquake3 server and client,
# the client headless (Xvfb, Mesa's software renderer), socat for rcon and
# iproute2 for its private network. Where they cannot be installed, that
# test skips, saying so, and the rest runs.
cmake/ensure-packages.sh ioquake3-server ioquake3 xvfb xauth libgl1-mesa-dri socat iproute2 ||
  echo "the ioquake3 engine or what its client needs could not be installed: the real-engine test will skip"
# The browser tests: Debian's chromium, driven by playwright-core as the
# lock file in tests/ui pins it (no browser of its own is downloaded).
# Where either cannot be had, those tests skip, saying so.
cmake/ensure-packages.sh chromium ||
  echo "chromium could not be installed: the browser tests will skip"
command -v npm >/dev/null || cmake/ensure-packages.sh nodejs npm ||
  echo "npm could not be installed: the browser tests will skip"
pinned() { sed -n "s/^ *\"$1\": \"\(.*\)\",*$/\1/p" "$2" | head -n 1; }
if [ "$(pinned playwright-core tests/ui/package.json)" != \
  "$(pinned version tests/ui/node_modules/playwright-core/package.json 2>/dev/null)" ]; then
  (cd tests/ui && npm ci --ignore-scripts --no-audit --no-fund --loglevel=error) ||
    echo "npm ci in tests/ui failed (no npm registry?): the browser tests will skip"
fi

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
