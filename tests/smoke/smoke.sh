#!/usr/bin/env bash
# Starts Quillon on the current X display with a picture named on its command line, as a file
# manager's "Open With" does, finds its main window, checks its size, checks that the picture is the
# one Save would write, and ends the program with its own Exit shortcut (Ctrl+X).
set -euo pipefail
source "$(dirname "$0")/../../scripts/x11.sh"
binary=$1
work=$(mktemp -d)
convert -size 64x48 gradient:navy-orange "$work/photo.png"
"$binary" "$work/photo.png" &
program=$!
trap 'kill $program 2>/dev/null || true; rm -rf "$work"' EXIT

window=$(wait_for_window '^Quillon v1.2$' $program) || { echo "FAIL: no window titled 'Quillon v1.2' appeared"; exit 1; }

width=$(xwininfo -id "$window" | awk '/Width:/ {print $2}')
height=$(xwininfo -id "$window" | awk '/Height:/ {print $2}')
echo "window $window: ${width} x ${height}"
# The client area is 643 x 488 below the menu bar, which lies inside the X window.
[ "$width" -eq 643 ] || { echo "FAIL: width $width, expected 643"; exit 1; }
[ "$height" -gt 488 ] && [ "$height" -lt 560 ] ||
  { echo "FAIL: height $height, expected 488 plus a menu bar and a status line"; exit 1; }

# The picture on the command line is open: Save offers its output name.
focus_window "$window"
xdotool key ctrl+a
box=$(wait_for_window '^Path to Your Picture$' $program) || { echo "FAIL: Save did not offer a path"; exit 1; }
focus_window "$box"
xdotool key Return
message=$(wait_for_window '^Quillon$' $program) || { echo "FAIL: no confirmation"; exit 1; }
focus_window "$message"
xdotool key Return
[ -f "$work/photo(QLN).jpg" ] || { echo "FAIL: the picture named on the command line was not opened"; exit 1; }

exit_with_ctrl_x "$window" $program || { echo "FAIL: Ctrl+X did not end the program cleanly"; exit 1; }
echo "PASS: Quillon's window appeared with a 643 x 488 client area and the picture named on its command line, and Ctrl+X ended the program"
