#!/usr/bin/env bash
# A remembered choice survives an end by SIGTERM, as at a desktop logout: Options ▸ Smooth Resizing and
# a Fit Under Size value are chosen with the keyboard, the program is sent SIGTERM, and the settings
# must be on disk; at the next start the menu item is on (choosing it again turns it off).
set -euo pipefail
source "$(dirname "$0")/../../scripts/x11.sh"
binary=$1
work=$(mktemp -d)
program=""
trap '[ -n "$program" ] && kill $program 2>/dev/null; rm -rf "$work"' EXIT
export XDG_CONFIG_HOME="$work/config"
convert -size 64x48 gradient:navy-orange "$work/photo.png"

# Waits up to 10 seconds for the settings to hold the line given.
stored() {
  for _ in $(seq 100); do
    grep -rqsx -- "$1" "$XDG_CONFIG_HOME" && return 0
    sleep 0.1
  done
  return 1
}

# Starts the program on the picture and chooses Options ▸ Smooth Resizing.
start_and_choose_smooth() {
  "$binary" "$work/photo.png" &
  program=$!
  main=$(wait_for_window '^Quillon v1.2$' $program) || { echo "FAIL: no window appeared"; exit 1; }
  focus_window "$main"
  xdotool key alt+o
  sleep 0.3
  xdotool key s
}

# Ends the program as a logout does; it must end by the signal.
terminate() {
  kill -TERM $program
  status=0
  wait $program || status=$?
  program=""
  [ "$status" -eq 143 ] || { echo "FAIL: after SIGTERM the exit status is $status, expected 143"; exit 1; }
}

start_and_choose_smooth
stored 'smoothResizing=true' || { echo "FAIL: Smooth Resizing was not written"; exit 1; }
focus_window "$main"
xdotool key ctrl+u
box=$(wait_for_window '^Fit Under Size$' $program) || { echo "FAIL: no Fit Under Size box"; exit 1; }
focus_window "$box"
xdotool key ctrl+a
xdotool type --delay 5 300
xdotool key Return
stored 'fitUnderKB=300' || { echo "FAIL: the Fit Under Size value was not written"; exit 1; }
terminate
stored 'smoothResizing=true' && stored 'fitUnderKB=300' ||
  { echo "FAIL: a setting was lost to SIGTERM"; exit 1; }

start_and_choose_smooth
stored 'smoothResizing=false' || { echo "FAIL: Smooth Resizing was not on at the next start"; exit 1; }
terminate
echo "PASS: Smooth Resizing and Fit Under Size 300 were kept after SIGTERM, and Smooth Resizing was on at the next start"
