#!/usr/bin/env bash
# Builds the libFuzzer targets in fuzz/ with clang (AddressSanitizer and
# UndefinedBehaviorSanitizer on) into build-fuzz/ and runs each for SECONDS
# (60 by default), starting from its seed corpus in fuzz/corpus/<target>/.
# The seeds are copied to a temporary folder first, so what a run finds never
# lands in the repository. Exits non-zero on the first target that crashes,
# leaks, times out or breaks an invariant; the failing input is left in
# build-fuzz/artifacts/.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-60}
jobs=$(nproc)
targets=()
for source in fuzz/*_fuzz.cc; do targets+=("$(basename "$source" .cc)"); done

# Line tables are enough for the sanitizers' stack traces and build faster.
launcher=()
command -v ccache >/dev/null 2>&1 && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_CXX_FLAGS_RELEASE="-O1 -gline-tables-only" -DTAVOLIN_FUZZ=ON -DTAVOLIN_BENCHMARKS=OFF \
  "${launcher[@]}" >/dev/null
cmake --build build-fuzz -j"$jobs" --target "${targets[@]}"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p build-fuzz/artifacts
for target in "${targets[@]}"; do
  mkdir -p "$work/$target"
  cp fuzz/corpus/"$target"/* "$work/$target"/
  echo "== $target: ${seconds}s"
  # -timeout: an input that takes longer than 10 s counts as a hang.
  build-fuzz/"$target" -max_total_time="$seconds" -timeout=10 -print_final_stats=1 \
    -artifact_prefix=build-fuzz/artifacts/"$target"- "$work/$target" 2>"$work/$target.log" || {
    tail -n 60 "$work/$target.log"
    exit 1
  }
  grep -E '^stat::(number_of_executed_units|peak_rss_mb)' "$work/$target.log" | sed 's/^/   /'
done
