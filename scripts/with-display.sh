#!/usr/bin/env bash
# Runs a command on a virtual X display of its own (Xvfb), which it stops afterwards.
set -euo pipefail
numberfile=$(mktemp)
# Xvfb picks a free display number itself and writes it out once it accepts connections.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$numberfile" >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null; wait $xvfb 2>/dev/null || true; rm -f "$numberfile"' EXIT
for _ in $(seq 200); do
  [ -s "$numberfile" ] && break
  kill -0 $xvfb 2>/dev/null || { echo "Xvfb did not start" >&2; exit 1; }
  sleep 0.05
done
[ -s "$numberfile" ] || { echo "Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$(head -1 "$numberfile")"
"$@"
