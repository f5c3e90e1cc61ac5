#!/usr/bin/env bash
# The search hides table loads behind prefetch instructions; a compiler that
# silently drops them costs speed and nothing else, so check they are there.
#   tools/check-prefetch.sh BINARY
set -euo pipefail
count=$(objdump -d --no-show-raw-insn "$1" | grep -c 'prefetcht0' || true)
if [ "$count" -lt 3 ]; then
  echo "only $count prefetch instructions in $1" >&2
  exit 1
fi
echo "$count prefetch instructions"
