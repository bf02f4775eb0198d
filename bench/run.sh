#!/usr/bin/env bash
# Times the whole quillon process against its peers (libvips, ImageMagick) on the same files in one run,
# and prints one table with the ratios. See README.md.
#   bash bench/run.sh [REPEATS] [--workflow]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
repeats=${1:-3}
workflow=${2:-}
bash "$root/scripts/setup.sh"
bash "$root/scripts/build.sh" "$root/build" >/dev/null
quillon=$root/build/app/quillon
work=$(mktemp -d /tmp/quillon-bench.XXXXXX)
trap 'rm -rf "$work"' EXIT

echo "Making the pictures ..." >&2
"$root/build/bench/sizing/bench_sizing" --write-photo "$work/photo.jpg"
mkdir -p "$work/batch" "$work/out-q" "$work/out-v" "$work/out-im"
vips resize "$work/photo.jpg" "$work/batch/p00.jpg[Q=92]" 0.5 --kernel nearest
for i in $(seq -w 1 39); do cp "$work/batch/p00.jpg" "$work/batch/p$i.jpg"; done

# Best of $repeats wall-clock runs of a command, in milliseconds; "refused" when it fails.
best() {
  local best="" start end ms
  for _ in $(seq "$repeats"); do
    start=$(date +%s%N)
    if ! "$@" >/dev/null 2>"$work/peer.err"; then echo "refused"; return; fi
    end=$(date +%s%N)
    ms=$(((end - start) / 1000000))
    if [ -z "$best" ] || [ "$ms" -lt "$best" ]; then best=$ms; fi
  done
  echo "$best"
}
vips_batch() {
  find "$work/batch" -name '*.jpg' -print0 |
    xargs -0 -P 2 -I{} sh -c 'vips resize "$1" "$2/$(basename "$1" .jpg)(V).jpg[Q=90]" 0.5 --kernel nearest' _ {} "$work/out-v"
}
# No display: the command line must not need one.
run_quillon() { env -u DISPLAY -u WAYLAND_DISPLAY "$quillon" "$@" --output-dir "$work/out-q"; }

echo "Timing ..." >&2
q_half=$(best run_quillon --scale 50 "$work/photo.jpg")
v_half=$(best vips resize "$work/photo.jpg" "$work/out-v/half.jpg[Q=90]" 0.5 --kernel nearest)
im_half=$(best convert "$work/photo.jpg" -sample 50% -quality 90 "$work/out-im/half.jpg")
q_triple=$(best run_quillon --scale 300 "$work/photo.jpg")
v_triple=$(best vips resize "$work/photo.jpg" "$work/out-v/triple.jpg[Q=90]" 3 --kernel nearest)
im_triple=$(best convert "$work/photo.jpg" -sample 300% -quality 90 "$work/out-im/triple.jpg")
im_reason=""
[ "$im_triple" = refused ] && im_reason=$(head -1 "$work/peer.err")
q_batch=$(best run_quillon --scale 50 "$work"/batch/*.jpg)
v_batch=$(best vips_batch)
q_fit=$(best run_quillon --fit 600K "$work/photo.jpg")
q_smooth=$(best run_quillon --scale 50 --smooth "$work/photo.jpg")
v_smooth=$(best vips resize "$work/photo.jpg" "$work/out-v/smooth.jpg[Q=90]" 0.5 --kernel lanczos3)

ratio() { if [ "$2" = refused ]; then echo "-"; else awk -v a="$1" -v b="$2" 'BEGIN {printf "%.2f", a / b}'; fi; }
row() { printf '%-40s %9s %-44s %9s %6s  %s\n' "$1" "$2" "$3" "$4" "$(ratio "$2" "$4")" "$5"; }

echo
echo "Whole processes, minimum of $repeats runs, milliseconds (same machine, same files, one run)"
printf '%-40s %9s %-44s %9s %6s  %s\n' "quillon" "ms" "peer" "ms" "ratio" "target"
row "--scale 50 (6000 x 4000 JPEG)" "$q_half" "vips resize 0.5 --kernel nearest" "$v_half" "<= 0.8"
row "--scale 300" "$q_triple" "vips resize 3 --kernel nearest" "$v_triple" "<= 1.0"
row "--scale 50, 40 files of 3000 x 2000" "$q_batch" "the same vips, xargs -P 2" "$v_batch" "<= 0.8"
row "--scale 50 --smooth" "$q_smooth" "vips resize 0.5 --kernel lanczos3" "$v_smooth" "<= 1.0"
row "--scale 50" "$q_half" "convert -sample 50% -quality 90" "$im_half" ""
row "--scale 300" "$q_triple" "convert -sample 300% -quality 90" "$im_triple" "${im_reason:+ImageMagick refused: $im_reason}"
printf '%-40s %9s\n' "--fit 600K (search and save)" "$q_fit"

[ "$workflow" = --workflow ] || exit 0
# The window's own steps, timed inside the program (slow: it makes an 18000 x 12000 picture).
echo "Quillon's workflow ($repeats rounds) ..." >&2
"$root/build/bench/workflow/bench_workflow" "$work" "$repeats" >"$work/ours.txt" 2>"$work/ours.err" || { cat "$work/ours.err"; exit 1; }
echo
for step in "W1 open" "W2 050 %" "W3 300 %" "W4 pixels 1920 x 1080" "W5 save 050 %" "W6 save 300 %" "E5 encode 050 %" "E6 encode 300 %"; do
  printf '%-40s %9s\n' "$step" "$(awk -F'\t' -v s="$step" '$1 == s {print $2}' "$work/ours.txt")"
done
