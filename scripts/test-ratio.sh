#!/usr/bin/env bash
# Prints the size of the tests against the code, by non-blank lines and by tokens, for the *.cpp and
# *.h under tests/ against those outside tests/ and bench/. A token is an identifier, a number or one
# punctuation character, so packing more onto a line does not change it. The owner's limits are 40 %
# by lines and 45 % by tokens; exits non-zero past either.
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t tests < <(git ls-files 'tests/*.cpp' 'tests/*.h')
mapfile -t code < <(git ls-files '*.cpp' '*.h' | grep -v -e '^tests/' -e '^bench/')
lines() { cat "$@" | grep -cv '^\s*$'; }
tokens() { cat "$@" | grep -oE '[A-Za-z_][A-Za-z0-9_]*|[0-9][0-9A-Za-z_.]*|[^[:space:][:alnum:]_]' | wc -l; }
testLines=$(lines "${tests[@]}") codeLines=$(lines "${code[@]}")
testTokens=$(tokens "${tests[@]}") codeTokens=$(tokens "${code[@]}")
echo "tests: $testLines lines, code: $codeLines lines, $((100 * testLines / codeLines)) % (limit 40 %)"
echo "tests: $testTokens tokens, code: $codeTokens tokens, $((100 * testTokens / codeTokens)) % (limit 45 %)"
[ $((100 * testLines)) -le $((40 * codeLines)) ] && [ $((100 * testTokens)) -le $((45 * codeTokens)) ]
