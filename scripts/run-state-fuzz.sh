#!/usr/bin/env bash
# Builds the saved-state fuzz target with clang (tree build-fuzz/, shared with the other
# targets) and runs it for a bounded time (ZELVANE_STATE_FUZZ_SECONDS, default 20) from a
# freshly generated seed corpus. A crash fails the run and leaves the input in
# build-fuzz/state-crash-*.
set -euo pipefail
cd -- "$(dirname -- "$0")/.."
jobs=$(scripts/build-jobs.sh)
secs=${ZELVANE_STATE_FUZZ_SECONDS:-20}
cmake -S tests/fuzz -B build-fuzz -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build-fuzz -j"$jobs" --target state_fuzz state_seeds >/dev/null
rm -rf build-fuzz/state-seeds build-fuzz/state-corpus
mkdir -p build-fuzz/state-seeds build-fuzz/state-corpus
build-fuzz/state_seeds build-fuzz/state-seeds
cd build-fuzz
# The reader warns on standard output for every file it refuses: keep that out of the console.
if ! ./state_fuzz -max_total_time="$secs" -max_len=16384 -close_fd_mask=1 -artifact_prefix=./state-crash- \
     -print_final_stats=1 state-corpus state-seeds >state-fuzz.log 2>&1; then
  grep -v '^  ' state-fuzz.log | tail -n 60
  echo "state_fuzz failed: see build-fuzz/state-fuzz.log"
  exit 1
fi
grep -E '^Done|exec_per_sec' state-fuzz.log
