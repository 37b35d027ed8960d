#!/usr/bin/env bash
# Builds the loading fuzz target with clang (tree build-fuzz/, shared with the keyword-file
# target) and runs it for a bounded time (ZELVANE_LOAD_FUZZ_SECONDS, default 45) from a freshly
# generated seed corpus. A crash fails the run and leaves the input in build-fuzz/load-crash-*.
set -euo pipefail
cd -- "$(dirname -- "$0")/.."
jobs=$(scripts/build-jobs.sh)
secs=${ZELVANE_LOAD_FUZZ_SECONDS:-45}
cmake -S tests/fuzz -B build-fuzz -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build-fuzz -j"$jobs" --target load_fuzz load_seeds >/dev/null
rm -rf build-fuzz/load-seeds build-fuzz/load-corpus
mkdir -p build-fuzz/load-seeds build-fuzz/load-corpus
build-fuzz/load_seeds build-fuzz/load-seeds
cd build-fuzz
# The loaders report every refusal: keep that out of the console.
if ! ./load_fuzz -max_total_time="$secs" -max_len=65536 -close_fd_mask=1 -artifact_prefix=./load-crash- \
     -print_final_stats=1 load-corpus load-seeds >load-fuzz.log 2>&1; then
  grep -v '^  ' load-fuzz.log | tail -n 60
  echo "load_fuzz failed: see build-fuzz/load-fuzz.log"
  exit 1
fi
grep -E '^Done|exec_per_sec' load-fuzz.log
