#!/usr/bin/env bash
# Installs what building and testing Tavolin needs on Debian 12. Idempotent:
# it asks apt only for packages that are missing.
set -euo pipefail

packages=(cmake g++ make pkg-config libsqlite3-dev sqlite3 libboost-dev libgtest-dev googletest
          libgmock-dev libbenchmark-dev clang-format)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if ((${#missing[@]})); then
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update -q
  "${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
