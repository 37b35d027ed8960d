#!/usr/bin/env bash
# Runs a command with an X display: the current one when DISPLAY is set, otherwise a
# private Xvfb that is stopped when the command ends.
# Xvfb picks a free display number itself and writes it to a pipe once it accepts
# connections (-displayfd), so two of these scripts started at once never share a server and
# the command never starts before its server is ready, however loaded the machine. XVFB_LOG,
# when set, names a file that receives the server's messages.
# -noreset: by default the server resets each time its last client leaves, and a client that
# connects during the reset is dropped ("could not connect to display"). Tests run in parallel
# come and go all the time, so the count of clients often falls to zero while the next one
# connects.
set -euo pipefail
if [ -n "${DISPLAY:-}" ]; then
  exec "$@"
fi
dir=$(mktemp -d)
mkfifo "$dir/fd"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$dir/fd" >/dev/null 2>>"${XVFB_LOG:-/dev/null}" &
xvfb_pid=$!
trap 'kill "$xvfb_pid" 2>/dev/null || true; wait "$xvfb_pid" 2>/dev/null || true; rm -rf "$dir"' EXIT
n=""
# The read ends when Xvfb writes its number, or with nothing when it exits first.
read -r n <"$dir/fd" || true
if [ -z "$n" ]; then
  echo "with-display.sh: Xvfb did not start" >&2
  exit 1
fi
export DISPLAY=":${n}"
"$@"
