#!/bin/sh
# Builds the plug-in and the command-line host, then runs the host's demo:
# a sandbox engine folder with the stand-in game, driven end to end.
set -eu
cd "$(dirname "$0")"
cmake/ensure-packages.sh cmake ninja-build g++ libutfcpp-dev libcli11-dev nlohmann-json3-dev libasio-dev libboost-dev libssl-dev
# The release workflow's steps, with the configure step's report left out.
cmake --preset release >/dev/null
cmake --build --preset release
exec build/release/tools/wolfet-host/wolfet-host demo "$@"
