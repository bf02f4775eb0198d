#!/usr/bin/env bash
# Builds Quillon and runs every test three times: a normal build, then one under AddressSanitizer
# and UndefinedBehaviorSanitizer, then one under ThreadSanitizer; then the Debian package test, then a
# minute of fuzzing for each fuzz target.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/setup.sh"
jobs=$(nproc)

echo "== Normal build"
bash "$root/scripts/build.sh" "$root/build" >/dev/null
(cd "$root/build" && ctest --output-on-failure -j"$jobs")

echo "== AddressSanitizer + UndefinedBehaviorSanitizer build"
bash "$root/scripts/build.sh" "$root/build-sanitize" -DQUILLON_SANITIZE=ON -DQUILLON_BENCH=OFF >/dev/null
# Qt's own libraries are not built with the sanitizers; their leaks are not ours to report here.
export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
(cd "$root/build-sanitize" && ctest --output-on-failure -j"$jobs")

echo "== ThreadSanitizer build"
bash "$root/scripts/build.sh" "$root/build-tsan" -DQUILLON_TSAN=ON -DQUILLON_BENCH=OFF >/dev/null
# The X tests start the program under Xvfb; they ran in both builds above.
# A test process that has started children may start threads afterwards (libheif's encoder does).
(cd "$root/build-tsan" && TSAN_OPTIONS="halt_on_error=1 die_after_fork=0 suppressions=$root/tests/tsan.supp" \
  ctest --output-on-failure -j"$jobs" -E 'smoke_xcb|e2e_keyboard_workflow|screen_reader|settings_kept')

echo "== Debian package: build, install, start, remove"
if dpkg-query -W -f='${Status}' quillon 2>/dev/null | grep -q 'install ok installed'; then
  # Installing and removing would take away the Quillon this machine already has.
  echo "skipped: a quillon package is already installed here"
else
  bash "$root/scripts/package-test.sh" "$root/build-pkg"
fi

echo "== Fuzzing, 60 s a target"
bash "$root/scripts/fuzz.sh" 60
