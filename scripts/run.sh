#!/usr/bin/env bash
# Builds Quillon and starts it. Without a display it starts it on a virtual one, saves a screenshot
# of its window to quillon-screenshot.png and stops, so that one can see that it runs.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/setup.sh"
bash "$root/scripts/build.sh" "$root/build" >/dev/null
binary="$root/build/app/quillon"
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  exec "$binary"
fi
echo "No display: starting Quillon on a virtual one."
bash "$root/scripts/with-display.sh" bash "$root/scripts/screenshot.sh" "$binary" "$root/quillon-screenshot.png"
