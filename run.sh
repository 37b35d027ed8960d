#!/usr/bin/env bash
# Installs what is missing, builds the two programs of the optimised tree (zelvane and
# zelvane-sample, no test) and starts the viewer on the given files; with none, on the
# generated sample (a box of tetrahedra with a field), written once into build/.
# JOBS=n limits the build to n jobs (one per core by default). Given files are named from the
# folder run.sh was started in, wherever the checkout is. Started through a symbolic link, it
# builds in the checkout the link leads to, never in the link's folder.
set -euo pipefail
caller=$PWD
cd "$(dirname "$(readlink -f "$0")")"
jobs=$(scripts/build-jobs.sh)
scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j"$jobs" --target zelvane zelvane-sample
if [ $# -eq 0 ]; then
  if [ ! -f build/sample.meshb ] || [ ! -f build/sample.solb ]; then
    (cd build && ./zelvane-sample)
  fi
  exec build/zelvane -in build/sample.meshb -sol build/sample.solb
fi
viewer=$PWD/build/zelvane
cd "$caller"
exec "$viewer" "$@"
