#!/usr/bin/env bash
# Runs the workflow benchmark and its peers (libvips, ImageMagick, libjpeg-turbo's cjpeg) on the same
# files in one run, and prints one table with the ratios. See README.md.
#   bash bench/run.sh [REPEATS]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
repeats=${1:-3}
bash "$root/scripts/setup.sh"
bash "$root/scripts/build.sh" "$root/build" >/dev/null
work=$(mktemp -d /tmp/quillon-bench.XXXXXX)
trap 'rm -rf "$work"' EXIT

echo "Quillon's workflow ($repeats rounds) ..." >&2
"$root/build/bench/workflow/bench_workflow" "$work" "$repeats" >"$work/ours.txt" 2>"$work/ours.err" || { cat "$work/ours.err"; exit 1; }

# Best of $repeats wall-clock runs of a command, in milliseconds; "refused" when it fails.
best() {
  local best="" start end ms
  for _ in $(seq "$repeats"); do
    start=$(date +%s%N)
    if ! "$@" >/dev/null 2>"$work/peer.err"; then echo "refused"; return; fi
    end=$(date +%s%N)
    ms=$(( (end - start) / 1000000 ))
    if [ -z "$best" ] || [ "$ms" -lt "$best" ]; then best=$ms; fi
  done
  echo "$best"
}
echo "Peers ..." >&2
vips_half=$(best vips resize "$work/photo.jpg" "$work/vips-half.jpg[Q=90]" 0.5 --kernel nearest)
vips_triple=$(best vips resize "$work/photo.jpg" "$work/vips-triple.jpg[Q=90]" 3 --kernel nearest)
im_half=$(best convert "$work/photo.jpg" -sample 50% -quality 90 "$work/im-half.jpg")
im_triple=$(best convert "$work/photo.jpg" -sample 300% -quality 90 "$work/im-triple.jpg")
im_reason=""
[ "$im_triple" = refused ] && im_reason=$(head -1 "$work/peer.err")
cjpeg_w5=$(best cjpeg -quality 90 -outfile "$work/cjpeg-w5.jpg" "$work/w5.ppm")
cjpeg_w6=$(best cjpeg -quality 90 -outfile "$work/cjpeg-w6.jpg" "$work/w6.ppm")

ours() { awk -F'\t' -v s="$1" '$1 == s {print $2}' "$work/ours.txt"; }
sum() { awk -v a="$1" -v b="${2:-0}" -v c="${3:-0}" 'BEGIN {printf "%.0f", a + b + c}'; }
ratio() { if [ "$2" = refused ]; then echo "-"; else awk -v a="$1" -v b="$2" 'BEGIN {printf "%.2f", a / b}'; fi; }
row() { printf '%-44s %10s %-34s %10s %7s  %s\n' "$1" "$2" "$3" "$4" "$(ratio "$2" "$4")" "$5"; }

echo
echo "Minimum of $repeats runs, milliseconds (one run, same machine, same files)"
printf '%-44s %10s %-34s %10s %7s  %s\n' "step" "Quillon" "peer" "peer" "ratio" "target"
for step in "W1 open" "W2 050 %" "W3 300 %" "W4 pixels 1920 x 1080" "W5 save 050 %" "W6 save 300 %"; do
  printf '%-44s %10s\n' "$step" "$(ours "$step")"
done
row "W1 + W2 + W5 (open, 50 %, save)" "$(sum "$(ours 'W1 open')" "$(ours 'W2 050 %')" "$(ours 'W5 save 050 %')")" \
  "vips resize 0.5 --kernel nearest" "$vips_half" "<= 1.5"
row "W3 + W6 (300 %, save)" "$(sum "$(ours 'W3 300 %')" "$(ours 'W6 save 300 %')")" \
  "vips resize 3 --kernel nearest" "$vips_triple" "<= 1.5"
row "W5 encode only (3000 x 2000)" "$(ours 'E5 encode 050 %')" "cjpeg -quality 90" "$cjpeg_w5" "<= 1.15"
row "W6 encode only (18000 x 12000)" "$(ours 'E6 encode 300 %')" "cjpeg -quality 90" "$cjpeg_w6" "<= 1.15"
row "W1 + W2 + W5" "$(sum "$(ours 'W1 open')" "$(ours 'W2 050 %')" "$(ours 'W5 save 050 %')")" \
  "convert -sample 50% -quality 90" "$im_half" ""
row "W3 + W6" "$(sum "$(ours 'W3 300 %')" "$(ours 'W6 save 300 %')")" "convert -sample 300% -quality 90" "$im_triple" \
  "${im_reason:+ImageMagick refused: $im_reason}"
peak_kb=$(awk -F'\t' '$1 == "peak" {print $2}' "$work/ours.txt" | awk '{print $1}')
largest=$(( 18000 * 12000 * 4 / 1024 ))
echo
echo "Peak resident memory: $(( peak_kb / 1024 )) MiB; target at most 3 x the largest picture at 4 bytes a pixel = $(( 3 * largest / 1024 )) MiB (ratio $(awk -v a="$peak_kb" -v b="$largest" 'BEGIN {printf "%.2f", a / b}') x)"
