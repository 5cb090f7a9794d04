#!/bin/sh
# Runs a program of the Windows x86_64 build under wine64: the emulator
# that ctest puts before the test programs of the mingw-x64 build. The Wine
# prefix is private to the build folder (WINEPREFIX, set by the tests;
# ./wineprefix otherwise) and made on first use, which takes a while.
set -eu
: "${WINEDEBUG:=-all}"
: "${WINEPREFIX:=$PWD/wineprefix}"
export WINEDEBUG WINEPREFIX
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  wineboot -i >/dev/null 2>&1 || true
fi
exec wine "$@"
