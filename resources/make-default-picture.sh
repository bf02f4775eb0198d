#!/usr/bin/env bash
# Makes the viewers' built-in default picture: a 250 x 250 GIF89a with a 32-entry grey palette,
# a transparent background and the program's name in black bold serif lettering, centred.
# Needs ImageMagick and DejaVu Serif Bold (scripts/setup.sh installs both).
set -euo pipefail
out=${1:-"$(dirname "$0")/default.gif"}
font=$(fc-match -f '%{file}' 'DejaVu Serif:bold')
# Black on white first so that the smoothed letter edges become greys, then white is the
# transparent colour.
convert -size 250x250 xc:white -font "$font" -pointsize 50 -fill black \
  -gravity center -annotate +0+0 'Quillon' \
  -colorspace Gray -dither None -colors 32 -transparent white "GIF:$out"
identify -verbose "$out" | grep -E 'Geometry|Colors:|Alpha|Transparent|Filesize' || true
