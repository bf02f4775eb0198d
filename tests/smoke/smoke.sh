#!/usr/bin/env bash
# Starts Quillon on the current X display, finds its main window, checks its size, and ends the
# program with its own Exit shortcut (Ctrl+X).
set -euo pipefail
binary=$1
"$binary" &
program=$!
trap 'kill $program 2>/dev/null || true' EXIT

window=""
for _ in $(seq 200); do
  window=$(xdotool search --onlyvisible --name '^Quillon v1.2$' 2>/dev/null | head -1 || true)
  [ -n "$window" ] && break
  sleep 0.1
done
[ -n "$window" ] || { echo "FAIL: no window titled 'Quillon v1.2' appeared"; exit 1; }

width=$(xwininfo -id "$window" | awk '/Width:/ {print $2}')
height=$(xwininfo -id "$window" | awk '/Height:/ {print $2}')
echo "window $window: ${width} x ${height}"
# The client area is 643 x 488 below the menu bar, which lies inside the X window.
[ "$width" -eq 643 ] || { echo "FAIL: width $width, expected 643"; exit 1; }
[ "$height" -gt 488 ] && [ "$height" -lt 540 ] || { echo "FAIL: height $height, expected 488 plus a menu bar"; exit 1; }

xdotool windowfocus --sync "$window"
sleep 0.3
xdotool key ctrl+x
for _ in $(seq 100); do
  kill -0 $program 2>/dev/null || break
  sleep 0.1
done
if kill -0 $program 2>/dev/null; then echo "FAIL: Ctrl+X did not end the program"; exit 1; fi
wait $program
echo "PASS: Quillon's window appeared with a 643 x 488 client area and Ctrl+X ended the program"
