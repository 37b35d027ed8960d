#!/usr/bin/env bash
# Runs a command with an X display: the current one when DISPLAY is set, otherwise a
# private Xvfb on a free display number that is stopped when the command ends.
set -euo pipefail
if [ -n "${DISPLAY:-}" ]; then
  exec "$@"
fi
n=90
while [ -e "/tmp/.X${n}-lock" ] || [ -e "/tmp/.X11-unix/X${n}" ]; do n=$((n + 1)); done
Xvfb ":${n}" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
trap 'kill "$xvfb_pid" 2>/dev/null || true; wait "$xvfb_pid" 2>/dev/null || true' EXIT
for _ in $(seq 100); do
  [ -e "/tmp/.X11-unix/X${n}" ] && break
  sleep 0.1
done
export DISPLAY=":${n}"
"$@"
