#!/usr/bin/env bash
# Installs the dependencies, builds Tavolin and starts the chat server on its
# embedded defaults: http://127.0.0.1:8080/, the SQLite database tavolin.db in
# the working folder (created and seeded on first start), the site's files
# from site/. Extra arguments go to `tavolin serve` (see --help).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target tavolin
exec build/tavolin serve "$@"
