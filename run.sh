#!/usr/bin/env bash
# Installs what is missing, builds the optimised tree and starts the viewer on the given
# files; with none, on the generated sample (a box of tetrahedra with a field), written once
# into build/.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j"$(nproc)"
if [ $# -eq 0 ]; then
  if [ ! -f build/sample.meshb ] || [ ! -f build/sample.solb ]; then
    (cd build && ./zelvane-sample)
  fi
  exec build/zelvane -in build/sample.meshb -sol build/sample.solb
fi
exec build/zelvane "$@"
