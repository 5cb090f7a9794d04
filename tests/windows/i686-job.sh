#!/bin/sh
# Runs inside the 32-bit Wine environment (cmake/wine32.sh): every Windows
# check of the i686 build in one start of it.
# Usage: i686-job.sh SUITE DLL HOST GAME POLL_COST
set -u
suite=$1 dll=$2 host=$3 game=$4 poll=$5
fail=0
step() { echo "== $*"; }

step "the suite"
wine "$suite" || fail=1

step "the suite's launches, the host process's file mode binary"
WOLFET_BINARY_FMODE=1 wine "$suite" --gtest_filter='WineFlow.*:Platform.*' || fail=1

# The demo host as a user gets it: copied out with the DLL and the stand-in
# game beside it, none of the build tree's paths given.
step "the demo, the host copied out beside the DLL"
kit=$(mktemp -d)
cp "$host" "$dll" "$kit/" && cp "$game" "$kit/fake-et.exe"
out=$(cd /tmp && wine "$kit/wolfet-host.exe" demo --game-ms 1000 2>&1)
status=$?
printf '%s\n' "$out"
if [ "$status" -ne 0 ]; then
  echo "demo: exit code $status"
  fail=1
else
  for file in wolfet.dll fake-et.exe; do
    printf '%s\n' "$out" | grep -q "$(basename "$kit").$file" ||
      { echo "demo: did not use the $file beside it" && fail=1; }
  done
fi
rm -rf "$kit"

# The server browser as a Windows program: nothing listens on 127.0.0.1:9,
# so Windows reports the port unreachable to the next read; the resends and
# the deadline must still end in the master's own message and exit code.
step "the server browser, no master answering"
out=$(wine "$host" --settings "$(mktemp -d)/servers-test.json" \
  servers --master 127.0.0.1:9 --timeout 0.5 2>&1)
status=$?
printf '%s\n' "$out"
if [ "$status" -ne 6 ] || ! printf '%s\n' "$out" | grep -q "127.0.0.1:9 sent no server list within 0.5 s"; then
  echo "servers: exit code $status, not 6 with the master's message"
  fail=1
fi

# Saved over by a name relative to the working folder: Windows replaces a
# file (keeping its attributes and rights) by its full path only.
step "the settings file saved over"
dir=$(mktemp -d)
(cd "$dir" && wine "$host" --settings wolfet-host.json set multiplayer general allowdownload 1 && wine "$host" --settings wolfet-host.json set multiplayer general allowdownload 0) >/dev/null ||
  { echo "set: wolfet-host.json was not saved over" && fail=1; }
grep -q '"allowdownload": "0"' "$dir/wolfet-host.json" || { echo "set: the last value is not in the file" && fail=1; }
rm -rf "$dir"

# The graphical host as a Windows program: it serves its pages to one who
# has the token, and to no other Host.
step "the graphical host"
dir=$(mktemp -d)
(cd "$dir" && exec wine "$host" --settings ui.json ui --no-open >url 2>err) &
server=$!
for _ in $(seq 100); do [ -s "$dir/url" ] && break; sleep 0.1; done
url=$(head -n 1 "$dir/url" | tr -d '\r')
base=${url%%/?token=*}
jar="$dir/cookies"
code=$(curl -s -o /dev/null -w '%{http_code}' -c "$jar" "$url")
schema=$(curl -s -b "$jar" "$base/api/schema")
foreign=$(curl -s -o /dev/null -w '%{http_code}' -b "$jar" -H "Host: example.com" "$base/api/schema")
kill "$server" 2>/dev/null; wait "$server" 2>/dev/null
if [ "$code" != 303 ] || ! printf '%s' "$schema" | grep -q '"plugin": "Wolf ET"' || [ "$foreign" != 403 ]; then
  echo "ui: the token gave $code, the schema $(printf '%s' "$schema" | head -c 80), a foreign Host $foreign"
  fail=1
fi
rm -rf "$dir"

step "the poll's cost"
wine "$poll" || fail=1
exit "$fail"
