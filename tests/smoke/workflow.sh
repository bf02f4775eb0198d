#!/usr/bin/env bash
# Drives the real program on the current X display with the keyboard, as a person would: F3, type the
# path of a picture, Enter; Up twice in the width list ("050 %"); Ctrl+A to save; Enter on the path box
# and on the confirmation. Then the output must exist at half the width and be on the clipboard.
# Then Ctrl+U, 600, Enter ("Fit Under Size…") and save again: the output must be at most 600 KB, and
# the status line's figure, selected with the mouse, must be the file's length.
set -euo pipefail
source "$(dirname "$0")/../../scripts/x11.sh"
binary=$1
work=$(mktemp -d)
program=""
trap '[ -n "$program" ] && kill $program 2>/dev/null; rm -rf "$work"' EXIT

# Photo-like: smooth colour with fine grain, so that its JPEG is well over 600 KB.
convert -size 2400x1600 gradient:navy-orange -attenuate 0.4 +noise Gaussian -quality 92 "$work/holiday photo.jpg"
expected="$work/holiday photo(QLN).jpg"

window() { wait_for_window "$1" $program || { echo "FAIL: no window '$1' appeared" >&2; exit 1; }; }

# Ctrl+A ("Save &As ..."), then Enter on the path box and on the confirmation.
save_with_keyboard() {
  focus_window "$main"
  xdotool key ctrl+a
  box=$(window '^Path to Your Picture$')
  focus_window "$box"
  xdotool key Return
  message=$(window '^Quillon$')
  focus_window "$message"
  xdotool key Return
  sleep 0.5
}

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
save_with_keyboard

[ -f "$expected" ] || { echo "FAIL: no file $expected"; ls -la "$work"; exit 1; }
size=$(identify -format '%w x %h' "$expected")
[ "$size" = "1200 x 1600" ] || { echo "FAIL: the output is $size, expected 1200 x 1600"; exit 1; }
clipboard=$(xclip -o -selection clipboard)
[ "$clipboard" = "$expected" ] || { echo "FAIL: the clipboard holds '$clipboard'"; exit 1; }

focus_window "$main"
xdotool key ctrl+u
box=$(window '^Fit Under Size$')
focus_window "$box"
xdotool key ctrl+a
xdotool type --delay 5 600
xdotool key Return
wait_for_no_window '^Fit Under Size$' || { echo "FAIL: the Fit Under Size box did not close"; exit 1; }
focus_window "$main"
sleep 1
# The status line runs along the bottom of the window: select its text with the mouse.
eval "$(xdotool getwindowgeometry --shell "$main")"
xdotool mousemove $((X + 4)) $((Y + HEIGHT - 10)) mousedown 1 mousemove $((X + WIDTH - 4)) $((Y + HEIGHT - 10)) mouseup 1
sleep 0.3
status=$(xclip -o -selection primary)
save_with_keyboard
length=$(stat -c %s "$expected")
[ "$length" -le $((600 * 1024)) ] || { echo "FAIL: fitted under 600 KB, the output has $length bytes"; exit 1; }
figure=$(awk -v b="$length" 'BEGIN { printf "%.2f KB", int(b / 1024 * 100 + 0.5) / 100 }')
[[ "$status" == "Fits under 600 KB: "*", $figure" ]] ||
  { echo "FAIL: the status line reads '$status'; the file has $length bytes ($figure)"; exit 1; }

exit_with_ctrl_x "$main" $program || { echo "FAIL: Ctrl+X did not end the program cleanly"; exit 1; }
program=""
echo "PASS: opened, resized to 050 % wide, saved as a 1200 x 1600 JPEG, path on the clipboard; fitted under 600 KB: $status"
