#!/usr/bin/env bash
# Installs what is missing, builds the test tree (AddressSanitizer + UndefinedBehaviorSanitizer)
# and runs every test, under a private Xvfb when there is no display.
# Without arguments it also runs the worker-pool, topology-thread and scene-opening tests under
# ThreadSanitizer (tree build-tsan/), the keyword-file and loading fuzz targets for about a
# minute each (scripts/run-fuzz.sh, scripts/run-load-fuzz.sh) and the saved-state fuzz target
# for 20 seconds (scripts/run-state-fuzz.sh), and it builds the optimised tree that run.sh
# makes (build/, tests included) and runs every test there as well: the sanitizers slow the
# program down enough to hide a fault that shows only at full speed (a race with the window
# system, for one). Arguments go to ctest and skip those extra runs. The unit tests of the
# sanitizer tree run last so that their summary closes the output. JOBS=n limits the builds
# and the test runs to n jobs (one per core by default).
set -euo pipefail
# The checkout is the folder of this file, links followed; "--" keeps a name that starts with a
# dash from being read as an option. A script read from standard input has no file, so no
# checkout: nothing is run then. The folder is cut from the path itself: a command
# substitution such as $(dirname ...) drops the line feeds that end a folder's name, and would
# lead to the folder of the same name without them.
self=$(readlink -e -- "${BASH_SOURCE[0]-}") || self=""
if [ ! -f "$self" ]; then
  echo 'test.sh: cannot tell which file it was started from, so which checkout to build: start it by its path (./test.sh)' >&2
  exit 2
fi
checkout=${self%/*}
if ! cd -- "${checkout:-/}" 2>/dev/null; then
  printf 'test.sh: cannot enter its checkout %q\n' "${checkout:-/}" >&2
  exit 2
fi
jobs=$(scripts/build-jobs.sh)
scripts/install-deps.sh
cmake -S . -B build-test -DZELVANE_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug -DZELVANE_BENCH=OFF >/dev/null
cmake --build build-test -j"$jobs"

failed=()
if [ $# -eq 0 ]; then
  # ThreadSanitizer cannot be combined with AddressSanitizer: a tree of its own.
  cmake -S . -B build-tsan -DZELVANE_TSAN=ON -DCMAKE_BUILD_TYPE=Debug -DZELVANE_BENCH=OFF >/dev/null
  cmake --build build-tsan -j"$jobs" --target test_common test_scene test_lists
  TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 allocator_may_return_null=1" \
    build-tsan/tests/test_common --gtest_brief=1 \
    --gtest_filter='Pool*:Pipeline*:*Hilbert*:*Scheduler*:MthParallel*:ParallelFortran*:TopoThread*:VolumeBase*:*FourThreads*:LoadPipe*:*Pooled*:*EqualSumKeys*' \
    || failed+=("ThreadSanitizer tests")
  # Scenes opened while the topology thread still runs, and the scaling on the pool.
  TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 allocator_may_return_null=1" \
    build-tsan/tests/test_scene --gtest_brief=1 --gtest_filter='Scene.*:*OpenRoad*' \
    || failed+=("ThreadSanitizer scene tests")
  # Clip-plane marking on the pool while the topology thread sets face bits in the same words.
  TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 allocator_may_return_null=1" \
    build-tsan/tests/test_lists --gtest_brief=1 --gtest_filter='ClipMarking.*Threads*' \
    || failed+=("ThreadSanitizer clipping tests")
  scripts/run-fuzz.sh || failed+=("keyword-file fuzzing")
  scripts/run-load-fuzz.sh || failed+=("loading fuzzing")
  scripts/run-state-fuzz.sh || failed+=("saved-state fuzzing")
  # The same configuration as run.sh, so that either script reuses the other's build.
  cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build build -j"$jobs"
  (cd build && ../scripts/with-display.sh ctest --output-on-failure -j"$jobs") || failed+=("tests of the optimised tree")
fi

status=0
(cd build-test && ../scripts/with-display.sh ctest --output-on-failure -j"$jobs" "$@") || status=$?
for f in "${failed[@]+"${failed[@]}"}"; do
  echo "FAILED: $f"
  status=1
done
exit "$status"
