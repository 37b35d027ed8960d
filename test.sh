#!/usr/bin/env bash
# Installs what is missing, builds the test tree (AddressSanitizer + UndefinedBehaviorSanitizer)
# and runs every test, under a private Xvfb when there is no display; without arguments it then
# runs the keyword-file and loading fuzz targets for about a minute each (scripts/run-fuzz.sh,
# scripts/run-load-fuzz.sh).
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
cmake -S . -B build-test -DZELVANE_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug -DZELVANE_BENCH=OFF >/dev/null
cmake --build build-test -j"$(nproc)"
(cd build-test && ../scripts/with-display.sh ctest --output-on-failure -j"$(nproc)" "$@")
# The worker-pool and topology-thread tests again under ThreadSanitizer (a tree of its own: it cannot be combined
# with AddressSanitizer). Skipped when arguments select particular tests.
if [ $# -eq 0 ]; then
  cmake -S . -B build-tsan -DZELVANE_TSAN=ON -DCMAKE_BUILD_TYPE=Debug -DZELVANE_BENCH=OFF >/dev/null
  cmake --build build-tsan -j"$(nproc)" --target test_common
  TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 allocator_may_return_null=1" build-tsan/tests/test_common --gtest_brief=1 \
    --gtest_filter='Pool*:Pipeline*:*Hilbert*:*Scheduler*:MthParallel*:ParallelFortran*:TopoThread*:VolumeBase*:*FourThreads*:LoadPipe*'
fi
if [ $# -eq 0 ]; then scripts/run-fuzz.sh; scripts/run-load-fuzz.sh; fi
