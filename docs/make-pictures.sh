#!/usr/bin/env bash
# Makes the README's pictures with the program itself: the window with a photo open at 50 % (on a
# virtual display), and a zone plate shrunk to 25 % nearest-neighbour and smoothly, side by side.
#   bash docs/make-pictures.sh [BUILD-FOLDER]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-"$root/build"}
binary="$build/app/quillon"
source "$root/scripts/x11.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

if [ "${1:-}" != --window ]; then
  # A zone plate: rings that get finer outwards, the hardest case for a resampler.
  convert -size 800x800 xc: -fx '0.5+0.5*cos(((i-400)^2+(j-400)^2)/500)' "$work/zone.png"
  mkdir "$work/nearest" "$work/smooth"
  "$binary" --scale 25 --output-dir "$work/nearest" "$work/zone.png" >/dev/null
  "$binary" --scale 25 --smooth --output-dir "$work/smooth" "$work/zone.png" >/dev/null
  for kind in nearest smooth; do
    convert "$work/$kind/zone(QLN).jpg" -filter point -resize 200% -gravity south -background white \
      -splice 0x24 -font DejaVu-Sans -pointsize 16 -annotate +0+2 "$kind, 25 %" "$work/$kind.png"
  done
  convert "$work/nearest.png" "$work/smooth.png" +append "$root/docs/nearest-vs-smooth.png"
  echo "docs/nearest-vs-smooth.png"
  convert -size 1600x1067 gradient:navy-orange -swirl 120 -attenuate 0.3 +noise Gaussian \
    -quality 92 "$work/holiday.jpg"
  WORK="$work" bash "$root/scripts/with-display.sh" bash "$0" --window "$binary" "$work/holiday.jpg"
  exit 0
fi

# On the virtual display: the photo opened from the command line, the width list at 050 %.
binary=$2
QT_QPA_PLATFORM=xcb HOME="$WORK" "$binary" "$3" &
program=$!
trap 'kill $program 2>/dev/null || true' EXIT
window=$(wait_for_window '^Quillon v1.2$' $program)
focus_window "$window"
xdotool key Up Up
sleep 2 # the status line's figure is measured in the background
import -window "$window" "$root/docs/screenshot.png"
echo "docs/screenshot.png"
