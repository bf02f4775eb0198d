#!/usr/bin/env bash
# Prints the size of the tests against the code: non-blank lines of *.cpp and *.h under tests/, against
# those outside tests/ and bench/ (build folders left out). The owner's limit is 40 %.
set -euo pipefail
cd "$(dirname "$0")/.."
count() { grep -hv '^\s*$' "$@" /dev/null | wc -l; }
tests=$(count $(git ls-files 'tests/*.cpp' 'tests/*.h'))
code=$(count $(git ls-files '*.cpp' '*.h' | grep -v '^tests/' | grep -v '^bench/'))
echo "tests: $tests lines, code: $code lines, $((100 * tests / code)) %"
