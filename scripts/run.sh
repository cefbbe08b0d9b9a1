#!/usr/bin/env bash
# Installs the dependencies, builds Tavolin and starts it on its embedded
# defaults: a SQLite database chat.db in the working folder, created and seeded
# on first start.
#
# Until the HTTP server lands, this runs the start-up load against chat.db and
# prints what it loaded (the smoke check of the engine and its database).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target tavolin
exec build/tavolin load "sqlite:${TAVOLIN_DB:-chat.db}"
