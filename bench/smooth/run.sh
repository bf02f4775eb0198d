#!/usr/bin/env bash
# The smooth resampler against `vips resize --kernel lanczos3`: quality at 50 % and 25 % on a photo-like
# gradient and a zone plate, then the time to open, halve and save a 24-megapixel JPEG.
#   bash bench/smooth/run.sh [REPEATS]
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
repeats=${1:-5}
build=${QUILLON_BUILD:-"$root/build"}
bash "$root/scripts/setup.sh"
bash "$root/scripts/build.sh" "$build" >/dev/null
bench="$build/bench/smooth/bench_smooth"
work=$(mktemp -d /tmp/quillon-smooth.XXXXXX)
trap 'rm -rf "$work"' EXIT

"$bench" quality "$work"
for picture in gradient zone; do
  vips resize "$work/$picture.png" "$work/vips-$picture-50.png" 0.5 --kernel lanczos3
  vips resize "$work/$picture.png" "$work/vips-$picture-25.png" 0.25 --kernel lanczos3
done
# The same filter on floating-point pixels, rounded to the nearest level once at the end.
vips cast "$work/zone.png" "$work/zone-float.v" float
for percent in 50 25; do
  vips resize "$work/zone-float.v" "$work/exact.v" "0.$percent" --kernel lanczos3
  vips linear "$work/exact.v" "$work/rounded.v" 1 0.5
  vips cast "$work/rounded.v" "$work/vipsexact-zone-$percent.png" uchar
done
echo "Quality (higher PSNR is closer; lower moiré is better)"
"$bench" compare "$work"

echo
echo "Speed, 6000 x 4000 JPEG to 3000 x 2000 at quality 90, best of $repeats, milliseconds"
"$bench" speed "$work" "$repeats" | tee "$work/ours.txt"
best=""
for _ in $(seq "$repeats"); do
  start=$(date +%s%N)
  vips resize "$work/photo.jpg" "$work/vips-photo-50.jpg[Q=90]" 0.5 --kernel lanczos3
  ms=$(( ($(date +%s%N) - start) / 1000000 ))
  if [ -z "$best" ] || [ "$ms" -lt "$best" ]; then best=$ms; fi
done
ours=$(awk -F'\t' '$1 == "total" {print $2}' "$work/ours.txt")
echo "vips resize 0.5 --kernel lanczos3 (whole process)	$best"
awk -v a="$ours" -v b="$best" 'BEGIN {printf "ratio ours / vips\t%.2f  (target at most 1.0)\n", a / b}'
