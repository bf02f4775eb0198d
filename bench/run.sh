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

# A command's best wall time over $repeats runs in milliseconds, and its peak memory (the largest
# resident size of the process, or of the largest of its children, over the runs) in MB, as "MS MB";
# "refused -" when it fails.
measure() {
  local best="" peak=0 start end ms kb
  for _ in $(seq "$repeats"); do
    start=$(date +%s%N)
    if ! /usr/bin/time -f '%M' -o "$work/peak" "$@" >/dev/null 2>"$work/peer.err"; then echo "refused -"; return; fi
    end=$(date +%s%N)
    ms=$(((end - start) / 1000000))
    kb=$(tail -1 "$work/peak")
    if [ -z "$best" ] || [ "$ms" -lt "$best" ]; then best=$ms; fi
    if [ "$kb" -gt "$peak" ]; then peak=$kb; fi
  done
  echo "$best $((peak / 1024))"
}
# Optimized Huffman tables on every side: Quillon always writes them.
vq='Q=90,optimize_coding'
vips_batch() {
  find "$work/batch" -name '*.jpg' -print0 |
    xargs -0 -P 2 -I{} sh -c 'vips resize "$1" "$2/$(basename "$1" .jpg)(V).jpg[$3]" 0.5 --kernel nearest' _ {} "$work/out-v" "$vq"
}
export -f vips_batch
export work vq
# No display: the command line must not need one.
q=(env -u DISPLAY -u WAYLAND_DISPLAY "$quillon")
qout=(--output-dir "$work/out-q")

echo "Timing ..." >&2
q_half=$(measure "${q[@]}" --scale 50 "$work/photo.jpg" "${qout[@]}")
v_half=$(measure vips resize "$work/photo.jpg" "$work/out-v/half.jpg[$vq]" 0.5 --kernel nearest)
im_half=$(measure convert "$work/photo.jpg" -sample 50% -quality 90 -define jpeg:optimize-coding=true "$work/out-im/half.jpg")
q_quarter=$(measure "${q[@]}" --smooth --scale 25 "$work/photo.jpg" "${qout[@]}")
v_quarter=$(measure vips resize "$work/photo.jpg" "$work/out-v/quarter.jpg[$vq]" 0.25 --kernel lanczos3)
q_web=$(measure "${q[@]}" --smooth --size 600x400 "$work/photo.jpg" "${qout[@]}")
v_web=$(measure vipsthumbnail "$work/photo.jpg" -s 600x400 -o "$work/out-v/web.jpg[$vq]")
q_triple=$(measure "${q[@]}" --scale 300 "$work/photo.jpg" "${qout[@]}")
v_triple=$(measure vips resize "$work/photo.jpg" "$work/out-v/triple.jpg[$vq]" 3 --kernel nearest)
im_triple=$(measure convert "$work/photo.jpg" -sample 300% -quality 90 -define jpeg:optimize-coding=true "$work/out-im/triple.jpg")
im_reason=""
[ "${im_triple% *}" = refused ] && im_reason=$(head -1 "$work/peer.err")
q_batch=$(measure "${q[@]}" --scale 50 "$work"/batch/*.jpg "${qout[@]}")
v_batch=$(measure bash -c vips_batch)
q_smooth=$(measure "${q[@]}" --scale 50 --smooth "$work/photo.jpg" "${qout[@]}")
v_smooth=$(measure vips resize "$work/photo.jpg" "$work/out-v/smooth.jpg[$vq]" 0.5 --kernel lanczos3)
q_fit=$(measure "${q[@]}" --fit 600K "$work/photo.jpg" "${qout[@]}")

ratio() { if [ "$2" = refused ] || [ "$2" = - ]; then echo "-"; else awk -v a="$1" -v b="$2" 'BEGIN {printf "%.2f", a / b}'; fi; }
# A row: what Quillon did, its "MS MB", the peer, its "MS MB", the targets.
row() {
  local q=($2) p=($4)
  printf '%-34s %7s %6s  %-40s %7s %6s %6s %6s  %s\n' "$1" "${q[0]}" "${q[1]}" "$3" "${p[0]}" "${p[1]}" \
    "$(ratio "${q[0]}" "${p[0]}")" "$(ratio "${q[1]}" "${p[1]}")" "$5"
}

echo
echo "Whole processes, minimum of $repeats runs in milliseconds, peak memory in MB (same machine, same files,"
echo "one run; 6000 x 4000 JPEG; quality 90 with optimized Huffman tables on both sides)"
printf '%-34s %7s %6s  %-40s %7s %6s %6s %6s  %s\n' "quillon" "ms" "MB" "peer" "ms" "MB" "wall" "memory" "target"
row "--scale 50 (nearest)" "$q_half" "vips resize 0.5 --kernel nearest" "$v_half" "wall <= 0.8"
row "--smooth --scale 25" "$q_quarter" "vips resize 0.25 --kernel lanczos3" "$v_quarter" ""
row "--smooth --size 600x400" "$q_web" "vipsthumbnail -s 600x400" "$v_web" "wall <= 0.8, memory <= 1.5"
row "--scale 300 (nearest)" "$q_triple" "vips resize 3 --kernel nearest" "$v_triple" "wall <= 1.1"
row "--fit 600K (search and save)" "$q_fit" "(no peer fits by resolution)" "- -" ""
row "--scale 50, 40 files of 3000 x 2000" "$q_batch" "the same vips, xargs -P 2" "$v_batch" "wall <= 0.8"
row "--scale 50 --smooth" "$q_smooth" "vips resize 0.5 --kernel lanczos3" "$v_smooth" "wall <= 1.0"
row "--scale 50" "$q_half" "convert -sample 50%" "$im_half" ""
row "--scale 300" "$q_triple" "convert -sample 300%" "$im_triple" "${im_reason:+ImageMagick refused: $im_reason}"

[ "$workflow" = --workflow ] || exit 0
# The window's own steps, timed inside the program (slow: it makes an 18000 x 12000 picture).
echo "Quillon's workflow ($repeats rounds) ..." >&2
"$root/build/bench/workflow/bench_workflow" "$work" "$repeats" >"$work/ours.txt" 2>"$work/ours.err" || { cat "$work/ours.err"; exit 1; }
echo
for step in "W1 open" "W2 050 %" "W3 300 %" "W4 pixels 1920 x 1080" "W5 save 050 %" "W6 save 300 %" "E5 encode 050 %" "E6 encode 300 %"; do
  printf '%-40s %9s\n' "$step" "$(awk -F'\t' -v s="$step" '$1 == s {print $2}' "$work/ours.txt")"
done
