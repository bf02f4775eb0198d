#!/usr/bin/env bash
# Drives the real program on the current X display with the keyboard, as a person would: F3, type the
# path of a picture, Enter; Up twice in the width list ("050 %"); Ctrl+A to save; Enter on the path box
# and on the confirmation. Then the output must exist at half the width and be on the clipboard.
set -euo pipefail
binary=$1
work=$(mktemp -d)
program=""
trap '[ -n "$program" ] && kill $program 2>/dev/null; rm -rf "$work"' EXIT

convert -size 640x480 gradient:navy-orange -quality 92 "$work/holiday photo.jpg"
expected="$work/holiday photo(QLN).jpg"

wait_for_window() { # a visible window whose title matches, within 20 seconds
  for _ in $(seq 200); do
    id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | tail -1 || true)
    if [ -n "$id" ]; then echo "$id"; return 0; fi
    sleep 0.1
  done
  echo "FAIL: no window '$1' appeared" >&2
  return 1
}
focus() { xdotool windowfocus --sync "$1" 2>/dev/null || true; sleep 0.3; }

HOME="$work" "$binary" &
program=$!
main=$(wait_for_window '^Quillon v1.2$')
focus "$main"

xdotool key F3
dialog=$(wait_for_window '^Open Image File$')
focus "$dialog"
xdotool type --delay 5 "$work/holiday photo.jpg"
xdotool key Return
sleep 1
focus "$main"
xdotool key Up Up
sleep 0.5
xdotool key ctrl+a
box=$(wait_for_window '^Path to Your Picture$')
focus "$box"
xdotool key Return
message=$(wait_for_window '^Quillon$')
focus "$message"
xdotool key Return
sleep 0.5

[ -f "$expected" ] || { echo "FAIL: no file $expected"; ls -la "$work"; exit 1; }
size=$(identify -format '%w x %h' "$expected")
[ "$size" = "320 x 480" ] || { echo "FAIL: the output is $size, expected 320 x 480"; exit 1; }
clipboard=$(xclip -o -selection clipboard)
[ "$clipboard" = "$expected" ] || { echo "FAIL: the clipboard holds '$clipboard'"; exit 1; }

focus "$main"
xdotool key ctrl+x
for _ in $(seq 100); do kill -0 $program 2>/dev/null || break; sleep 0.1; done
if kill -0 $program 2>/dev/null; then echo "FAIL: Ctrl+X did not end the program"; exit 1; fi
program=""
echo "PASS: opened, resized to 050 % wide, saved as a 320 x 480 JPEG, path on the clipboard"
