#!/usr/bin/env bash
# Starts a Quillon binary on the current X display, waits for its main window, saves a screenshot of
# it and stops the program: screenshot.sh BINARY OUTPUT.png
set -euo pipefail
binary=$1
output=$2
QT_QPA_PLATFORM=xcb "$binary" &
program=$!
trap 'kill $program 2>/dev/null || true' EXIT
window=""
for _ in $(seq 150); do
  window=$(xdotool search --onlyvisible --name '^Quillon v1.2$' 2>/dev/null | head -1 || true)
  [ -n "$window" ] && break
  sleep 0.1
done
[ -n "$window" ] || { echo "Quillon's window did not appear." >&2; exit 1; }
sleep 1 # let it paint
import -window "$window" "$output"
echo "Screenshot of Quillon's window saved to $output"
