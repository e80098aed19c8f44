#!/usr/bin/env bash
# Builds the Debian package klimbor_<version>_<arch>.deb and installs it with apt-get, as a player
# would; "tools/install-package.sh remove" removes it again.
set -euo pipefail
cd "$(dirname "$0")/.."
sudo=""
[ "$(id -u)" -eq 0 ] || sudo=sudo
export DEBIAN_FRONTEND=noninteractive

if [ "${1:-}" = remove ]; then
  $sudo apt-get remove -y klimbor </dev/null
  exit 0
fi

tools/setup.sh >/dev/null
(cd build && cpack >/dev/null)
deb=$(ls -t build/klimbor_*.deb | head -n 1)
$sudo apt-get install -y "./$deb" </dev/null
# In /usr/games, which the PATH of users has and root's has not.
echo "Installé : $(dpkg -L klimbor | grep '^/usr/games/' | paste -sd ',' | sed 's/,/, /g')"
