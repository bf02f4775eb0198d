#!/usr/bin/env bash
# Starts Quillon on the current X display, finds its main window, checks its size, and ends the
# program with its own Exit shortcut (Ctrl+X).
set -euo pipefail
source "$(dirname "$0")/../../scripts/x11.sh"
binary=$1
"$binary" &
program=$!
trap 'kill $program 2>/dev/null || true' EXIT

window=$(wait_for_window '^Quillon v1.2$' $program) || { echo "FAIL: no window titled 'Quillon v1.2' appeared"; exit 1; }

width=$(xwininfo -id "$window" | awk '/Width:/ {print $2}')
height=$(xwininfo -id "$window" | awk '/Height:/ {print $2}')
echo "window $window: ${width} x ${height}"
# The client area is 643 x 488 below the menu bar, which lies inside the X window.
[ "$width" -eq 643 ] || { echo "FAIL: width $width, expected 643"; exit 1; }
[ "$height" -gt 488 ] && [ "$height" -lt 540 ] || { echo "FAIL: height $height, expected 488 plus a menu bar"; exit 1; }

exit_with_ctrl_x "$window" $program || { echo "FAIL: Ctrl+X did not end the program cleanly"; exit 1; }
echo "PASS: Quillon's window appeared with a 643 x 488 client area and Ctrl+X ended the program"
