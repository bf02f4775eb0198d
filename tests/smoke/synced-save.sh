#!/usr/bin/env bash
# A saved picture reaches the disk before it takes its name, and the name itself after: the save is
# traced, and the output's rename must lie between two fsync calls.
# synced-save.sh TEST_SAVE_PROGRAM
set -euo pipefail
log=$(mktemp)
trap 'rm -f "$log"' EXIT
strace -f -e trace=fsync,rename -o "$log" "$1" wholeWorkflow >/dev/null
calls=$(grep -oE 'fsync\(|rename\([^,]*, "[^"]*"' "$log" | sed 's/rename(.*, "\(.*\)"/rename \1/; s/fsync(/fsync/')
if tr '\n' ' ' <<<"$calls" | grep -qE 'fsync rename [^ ]*\(QLN\)\.jpg fsync'; then
  echo "ok: fsync, rename into place, fsync of the folder"
else
  echo "FAIL: the save is not synced around its rename; traced calls:"
  echo "$calls"
  exit 1
fi
