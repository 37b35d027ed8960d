#!/usr/bin/env bash
# Installs what is missing, builds the optimised tree and starts the viewer on the given
# files (on a small generated sample mesh when none is given).
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j"$(nproc)"
if [ ! -x build/zelvane ]; then
  echo "Zelvane: the viewer application is not built yet. The libraries, tests and benchmarks"
  echo "were built in ./build; see README.md for what exists today."
  exit 1
fi
exec build/zelvane "$@"
