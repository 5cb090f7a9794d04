#!/bin/sh
# Runs a command in a private network namespace whose only interface is
# loopback, up: a real game server and the browser under test then share a
# 127.0.0.1 that nothing else on the machine sees. Where no namespace can
# be made (no root, no unshare or ip), the command runs on the machine's
# own 127.0.0.1, and says so.
set -eu
if unshare --net sh -c 'ip link set lo up' 2>/dev/null; then
  exec unshare --net sh -c 'ip link set lo up && exec "$@"' sh "$@"
fi
echo "in_namespace.sh: no private network namespace can be made here; running on this machine's 127.0.0.1" >&2
exec "$@"
