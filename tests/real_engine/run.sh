#!/bin/sh
# Runs a command (the real-engine transcript) in private network and
# process namespaces: loopback, up, is its only interface, so the engine's
# servers and clients and the browser share a 127.0.0.1 that nothing else
# on the machine sees, and whatever it started ends with it. The namespace
# has its own /proc, which the sanitizers' leak check reads. Where no
# namespace can be made (no root, no unshare or ip), the command runs on
# the machine's own 127.0.0.1, and says so. Without Debian's packages of
# the engine and what its client needs to run headless, it skips (77)
# with one line.
set -eu
for package in ioquake3-server ioquake3 xvfb xauth libgl1-mesa-dri socat; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    echo "real_engine: the Debian package $package is not installed (cmake/ensure-packages.sh $package): skipped"
    exit 77
  fi
done
namespaces="--net --pid --mount-proc --fork --kill-child"
# shellcheck disable=SC2086 # the options, one word each
if unshare $namespaces sh -c 'ip link set lo up' 2>/dev/null; then
  exec unshare $namespaces sh -c 'ip link set lo up && exec "$@"' sh "$@"
fi
echo "real_engine: no private network namespace can be made here; running on this machine's 127.0.0.1" >&2
exec "$@"
