#!/usr/bin/env bash
# Makes the program's icon at every size it is installed at, from one drawing: a photo frame with a
# small and a large mountain picture and an arrow between them (rescaling). Needs ImageMagick.
set -euo pipefail
dir=$(cd "$(dirname "$0")" && pwd)
mkdir -p "$dir/icons"
master=$(mktemp --suffix=.png)
trap 'rm -f "$master"' EXIT
convert -size 256x256 xc:none \
  -fill '#2b5797' -draw 'roundrectangle 8,8 247,247 36,36' \
  -fill '#f4f1e8' -draw 'roundrectangle 30,30 225,225 18,18' \
  -fill '#8fc1e8' -draw 'rectangle 42,42 213,213' \
  -fill '#3a7d44' -draw 'polygon 42,213 110,120 160,180 185,150 213,185 213,213' \
  -fill '#f2c14e' -draw 'circle 170,80 170,98' \
  -fill '#2b5797' -draw 'rectangle 52,52 100,100' \
  -fill white -draw 'polygon 64,64 92,64 92,72 76,72 92,88 86,94 70,78 70,92 64,92' \
  "$master"
for size in 32 48 64 128 256; do
  convert "$master" -resize ${size}x${size} "PNG32:$dir/icons/quillon-$size.png"
done
cp "$dir/icons/quillon-32.png" "$dir/icons/quillon.png"
