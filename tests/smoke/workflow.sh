#!/usr/bin/env bash
# Drives the real program on the current X display with the keyboard, as a person would: F3, type the
# path of a picture, Enter; Up twice in the width list ("050 %"); Ctrl+A to save; Enter on the path box
# and on the confirmation. Then the output must exist at half the width and be on the clipboard.
set -euo pipefail
source "$(dirname "$0")/../../scripts/x11.sh"
binary=$1
work=$(mktemp -d)
program=""
trap '[ -n "$program" ] && kill $program 2>/dev/null; rm -rf "$work"' EXIT

convert -size 640x480 gradient:navy-orange -quality 92 "$work/holiday photo.jpg"
expected="$work/holiday photo(QLN).jpg"

window() { wait_for_window "$1" $program || { echo "FAIL: no window '$1' appeared" >&2; exit 1; }; }

HOME="$work" "$binary" &
program=$!
main=$(window '^Quillon v1.2$')
focus_window "$main"

xdotool key F3
dialog=$(window '^Open Image File$')
focus_window "$dialog"
xdotool type --delay 5 "$work/holiday photo.jpg"
xdotool key Return
wait_for_no_window '^Open Image File$' || { echo "FAIL: the Open dialog did not close"; exit 1; }
focus_window "$main"
xdotool key Up Up
sleep 0.5
xdotool key ctrl+a
box=$(window '^Path to Your Picture$')
focus_window "$box"
xdotool key Return
message=$(window '^Quillon$')
focus_window "$message"
xdotool key Return
sleep 0.5

[ -f "$expected" ] || { echo "FAIL: no file $expected"; ls -la "$work"; exit 1; }
size=$(identify -format '%w x %h' "$expected")
[ "$size" = "320 x 480" ] || { echo "FAIL: the output is $size, expected 320 x 480"; exit 1; }
clipboard=$(xclip -o -selection clipboard)
[ "$clipboard" = "$expected" ] || { echo "FAIL: the clipboard holds '$clipboard'"; exit 1; }

exit_with_ctrl_x "$main" $program || { echo "FAIL: Ctrl+X did not end the program cleanly"; exit 1; }
program=""
echo "PASS: opened, resized to 050 % wide, saved as a 320 x 480 JPEG, path on the clipboard"
