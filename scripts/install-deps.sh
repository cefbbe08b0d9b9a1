#!/usr/bin/env bash
# Installs what building and testing Tavolin needs on Debian 12. Idempotent:
# it asks apt only for packages that are missing, and npm only when the
# end-to-end test's packages are not installed yet.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(cmake g++ make pkg-config libsqlite3-dev sqlite3 libboost-dev libgtest-dev googletest
          libgmock-dev libbenchmark-dev libpq-dev postgresql libhiredis-dev libssl-dev redis-server
          clang-format chromium firefox-esr fonts-wqy-zenhei
          clang libclang-rt-14-dev
          nginx)
# Node.js may come from elsewhere on the machine; only a missing one is installed.
command -v node >/dev/null 2>&1 || packages+=(nodejs)
command -v npm >/dev/null 2>&1 || packages+=(npm)

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

# The browser driver of the end-to-end test (it drives Debian's chromium and firefox-esr).
if [ ! -d e2e/node_modules/puppeteer-core ]; then
  (cd e2e && npm ci --no-audit --no-fund)
fi
