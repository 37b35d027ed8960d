#!/usr/bin/env bash
# Prints how many jobs run.sh and test.sh build and test with: $JOBS when it is not empty (a
# whole number of 1 or more, else an error), otherwise one per core.
set -euo pipefail
if [ -z "${JOBS:-}" ]; then
  nproc
  exit 0
fi
case "$JOBS" in
  *[!0-9]* | 0*)
    echo "JOBS=$JOBS: the number of build jobs must be a whole number of 1 or more" >&2
    exit 2
    ;;
esac
echo "$JOBS"
