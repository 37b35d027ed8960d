#!/usr/bin/env bash
# Builds the keyword-file fuzz target with clang (its own tree, build-fuzz/) and runs it for a
# bounded time (ZELVANE_FUZZ_SECONDS, default 60) from a freshly generated seed corpus. A crash
# fails the run and leaves the input in build-fuzz/crash-*.
set -euo pipefail
cd -- "$(dirname -- "$0")/.."
jobs=$(scripts/build-jobs.sh)
secs=${ZELVANE_FUZZ_SECONDS:-60}
cmake -S tests/fuzz -B build-fuzz -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build-fuzz -j"$jobs" >/dev/null
rm -rf build-fuzz/seeds build-fuzz/corpus
mkdir -p build-fuzz/seeds build-fuzz/corpus
build-fuzz/kmf_seeds build-fuzz/seeds
cd build-fuzz
# The reader explains every refusal on standard error: keep that out of the console.
if ! ./kmf_fuzz -max_total_time="$secs" -max_len=65536 -close_fd_mask=1 -artifact_prefix=./crash- \
     -print_final_stats=1 corpus seeds >fuzz.log 2>&1; then
  grep -v '^  ## ERROR' fuzz.log | tail -n 60
  echo "kmf_fuzz failed: see build-fuzz/fuzz.log"
  exit 1
fi
grep -E '^Done|exec_per_sec' fuzz.log
