#!/usr/bin/env bash
# Starts a Quillon binary on the current X display, waits for its main window, saves a screenshot of
# it and stops the program: screenshot.sh BINARY OUTPUT.png
set -euo pipefail
source "$(dirname "$0")/x11.sh"
binary=$1
output=$2
QT_QPA_PLATFORM=xcb "$binary" &
program=$!
trap 'kill $program 2>/dev/null || true' EXIT
window=$(wait_for_window '^Quillon v1.2$' $program) || { echo "Quillon's window did not appear." >&2; exit 1; }
sleep 1 # let it paint
import -window "$window" "$output"
echo "Screenshot of Quillon's window saved to $output"
