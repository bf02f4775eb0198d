#!/usr/bin/env bash
# Builds the libFuzzer targets with clang, makes their seeds and runs them side by side on both cores,
# each for SECONDS (default 60): fuzz.sh [SECONDS]. Exits non-zero on any finding, with the
# reproducer's path and base64 in the log.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
bash "$root/scripts/setup.sh"
build="$root/build-fuzz"
cmake -S "$root" -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLON_FUZZ=ON >/dev/null
cmake --build "$build" -j2 >/dev/null

work="$build/fuzz-runs"
rm -rf "$work/seeds" "$work/findings"
mkdir -p "$work"
export QT_QPA_PLATFORM=offscreen
ASAN_OPTIONS=detect_leaks=0 "$build/tests/fuzz/fuzz_seeds" "$work/seeds" 2>/dev/null
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
# A picture may take 1 GiB (the largest Quillon opens) and its normalised copy as much again; past
# that, memory is a finding. The targets run side by side, sharing both cores.
targets=(picture icc layout arguments exif)
run() {
  local target=$1 corpus="$work/corpus/$1" findings="$work/findings/$1"
  mkdir -p "$corpus" "$findings"
  (cd "$findings" && "$build/tests/fuzz/fuzz_$target" -max_total_time="$seconds" -timeout=10 \
    -rss_limit_mb=3072 -malloc_limit_mb=3072 -print_final_stats=1 -artifact_prefix="$findings/" \
    "$corpus" "$work/seeds/$target" >"$work/$target.log" 2>&1)
}
echo "== fuzz_${targets[*]}: $seconds s, side by side"
pids=()
for target in "${targets[@]}"; do
  run "$target" &
  pids+=($!)
done

failed=0
for i in "${!targets[@]}"; do
  target=${targets[$i]} log="$work/${targets[$i]}.log" findings="$work/findings/${targets[$i]}"
  status=0
  wait "${pids[$i]}" || status=$?
  echo "== fuzz_$target"
  grep -E '^#[0-9]+[[:space:]]+(DONE|pulse|NEW|REDUCE|INITED).*cov:' "$log" | tail -1 || true
  grep -E 'stat::(number_of_executed_units|average_exec_per_sec|peak_rss_mb)' "$log" || true
  artefacts=$(find "$findings" -type f)
  if [ "$status" -ne 0 ] || [ -n "$artefacts" ]; then
    failed=1
    echo "FINDING in fuzz_$target (exit $status); log: $log"
    grep -E 'ERROR|SUMMARY|==[0-9]+==' "$log" | head -20 || true
    for file in $artefacts; do
      echo "reproducer: $file"
      base64 -w0 "$file"
      echo
    done
  fi
done
exit "$failed"
