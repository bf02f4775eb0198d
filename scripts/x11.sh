# Helpers for scripts that drive Quillon on an X display; source it.

# Prints the id of a visible window whose title matches the pattern, waiting up to 20 seconds while
# the process (optional second argument) lives. Returns 1 when none appears.
wait_for_window() {
  local pattern=$1 process=${2:-} id
  for _ in $(seq 200); do
    id=$(xdotool search --onlyvisible --name "$pattern" 2>/dev/null | tail -1 || true)
    if [ -n "$id" ]; then echo "$id"; return 0; fi
    if [ -n "$process" ] && ! kill -0 "$process" 2>/dev/null; then return 1; fi
    sleep 0.1
  done
  return 1
}

# Waits up to 20 seconds until no visible window's title matches the pattern.
wait_for_no_window() {
  for _ in $(seq 200); do
    xdotool search --onlyvisible --name "$1" >/dev/null 2>&1 || return 0
    sleep 0.1
  done
  return 1
}

# Gives a window the keyboard focus (there is no window manager on a virtual display).
focus_window() {
  xdotool windowfocus --sync "$1" 2>/dev/null || true
  sleep 0.3
}

# Ends the program with its own Exit shortcut (Ctrl+X) and waits up to 10 seconds for it to go.
# Returns 1 when it is still running, else the program's exit status.
exit_with_ctrl_x() {
  local window=$1 process=$2
  focus_window "$window"
  xdotool key ctrl+x
  for _ in $(seq 100); do
    kill -0 "$process" 2>/dev/null || break
    sleep 0.1
  done
  if kill -0 "$process" 2>/dev/null; then return 1; fi
  wait "$process"
}
