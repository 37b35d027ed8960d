#!/usr/bin/env bash
# Installs what is missing, builds the test tree (AddressSanitizer + UndefinedBehaviorSanitizer)
# and runs every test, under a private Xvfb when there is no display; without arguments it then
# runs the keyword-file fuzz target for a minute (scripts/run-fuzz.sh).
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
cmake -S . -B build-test -DZELVANE_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug -DZELVANE_BENCH=OFF >/dev/null
cmake --build build-test -j"$(nproc)"
(cd build-test && ../scripts/with-display.sh ctest --output-on-failure -j"$(nproc)" "$@")
if [ $# -eq 0 ]; then scripts/run-fuzz.sh; fi
