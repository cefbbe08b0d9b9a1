#!/usr/bin/env bash
# Installs the dependencies, builds Tavolin twice (plain, and with
# AddressSanitizer and UndefinedBehaviorSanitizer) and runs every test: the
# C++ suites in both builds, the browser client's tests, and the end-to-end
# test of the served chat in headless Chromium; then each fuzz target briefly.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
jobs=$(nproc)

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$jobs"
ctest --test-dir build --output-on-failure -j"$jobs"

cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DTAVOLIN_SANITIZE=ON >/dev/null
cmake --build build-asan -j"$jobs"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build-asan --output-on-failure -j"$jobs"

(cd site && node --test test/)
(cd e2e && TAVOLIN_BINARY="$PWD/../build/tavolin" node --test --test-concurrency=1 .)

# Each libFuzzer target for 20 seconds from its seed corpus (scripts/fuzz.sh).
scripts/fuzz.sh 20
