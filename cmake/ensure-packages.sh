#!/bin/sh
# Installs the Debian packages named on the command line that are missing.
# Run as root (or with sudo available); prints nothing when all are there.
set -eu
missing=""
for pkg in "$@"; do
  if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed"; then
    missing="$missing $pkg"
  fi
done
[ -z "$missing" ] && exit 0
echo "installing:$missing"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
# Another install on the machine (another build's, say) holds the package
# lock for a while: wait for it rather than fail.
wait="-o DPkg::Lock::Timeout=600"
# shellcheck disable=SC2086
$sudo apt-get $wait update -qq
# shellcheck disable=SC2086
$sudo apt-get $wait install -y -qq --no-install-recommends $missing >/dev/null
