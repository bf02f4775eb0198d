#!/usr/bin/env bash
# Runs a command on a virtual X display of its own (Xvfb), which it stops afterwards.
set -euo pipefail
numberfile=$(mktemp)
xvfb=""
trap '[ -n "$xvfb" ] && kill $xvfb 2>/dev/null; wait 2>/dev/null || true; rm -f "$numberfile"' EXIT

# Xvfb picks a free display number itself and writes it out once it accepts connections. It must not
# reset when its last client leaves: a script polling for a window would otherwise make it reset
# just as the program connects. The display is checked before use, and the server started again
# when it does not answer.
start_display() {
  : >"$numberfile"
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$numberfile" >/dev/null 2>&1 &
  xvfb=$!
  for _ in $(seq 200); do
    [ -s "$numberfile" ] && break
    kill -0 $xvfb 2>/dev/null || return 1
    sleep 0.05
  done
  [ -s "$numberfile" ] || return 1
  DISPLAY=":$(head -1 "$numberfile")"
  sleep 0.2
  xdpyinfo -display "$DISPLAY" >/dev/null 2>&1 && kill -0 $xvfb 2>/dev/null
}

for attempt in 1 2 3 4 5; do
  start_display && break
  kill $xvfb 2>/dev/null || true
  xvfb=""
  [ "$attempt" -eq 5 ] && { echo "Xvfb did not start" >&2; exit 1; }
  sleep 0.5
done
export DISPLAY
"$@"
