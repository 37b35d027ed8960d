#!/usr/bin/env bash
# Installs what is missing, builds the two programs of the optimised tree (zelvane and
# zelvane-sample, no test) and starts the viewer on the given files; with none, on the
# generated sample (a box of tetrahedra with a field), written once into build/.
# JOBS=n limits the build to n jobs (one per core by default). Given files are named from the
# folder run.sh was started in, wherever the checkout is. Started through a symbolic link, it
# builds in the checkout the link leads to, never in the link's folder.
set -euo pipefail
caller=$PWD
# The checkout is the folder of this file, links followed; "--" keeps a name that starts with a
# dash from being read as an option. A script read from standard input has no file, so no
# checkout: nothing is run then. The folder is cut from the path itself: a command
# substitution such as $(dirname ...) drops the line feeds that end a folder's name, and would
# lead to the folder of the same name without them.
self=$(readlink -e -- "${BASH_SOURCE[0]-}") || self=""
if [ ! -f "$self" ]; then
  echo 'run.sh: cannot tell which file it was started from, so which checkout to build: start it by its path (./run.sh)' >&2
  exit 2
fi
checkout=${self%/*}
if ! cd -- "${checkout:-/}" 2>/dev/null; then
  printf 'run.sh: cannot enter its checkout %q\n' "${checkout:-/}" >&2
  exit 2
fi
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
