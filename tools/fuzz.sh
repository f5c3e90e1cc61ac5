#!/usr/bin/env bash
# Runs every libFuzzer program of the fuzz build for SECONDS each, under
# ASan + UBSan, at low priority. The project's seeds are copied into a work
# corpus under build/fuzz/work, so the project's corpus only grows by hand.
# A crash leaves its reproducer in build/fuzz/findings/ and is listed at the
# end; the status is 1 when any target crashed.
#   tools/fuzz.sh [SECONDS] [TARGET...]
set -uo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-60}
shift || true
build=build/fuzz
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for program in "$build"/tarrock-fuzz-*; do
    [ -x "$program" ] && targets+=("${program##*/tarrock-fuzz-}")
  done
fi
if [ ${#targets[@]} -eq 0 ]; then
  echo "no fuzz programs in $build (make fuzz builds them)" >&2
  exit 2
fi

mkdir -p "$build/findings"
crashed=()
for name in "${targets[@]}"; do
  program="$build/tarrock-fuzz-$name"
  work="$build/work/$name"
  mkdir -p "$work"
  cp -n fuzz/corpus/"$name"/* "$work"/ 2>/dev/null || true
  [ -d "fuzz/regressions/$name" ] && cp -n fuzz/regressions/"$name"/* "$work"/ 2>/dev/null
  log="$build/findings/$name.log"
  echo "fuzzing $name for ${seconds}s"
  before=$(ls "$build/findings" | grep -c "^$name-" || true)
  nice -n 10 "$program" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 -max_len=4096 \
    -artifact_prefix="$build/findings/$name-" -print_final_stats=1 "$work" >"$log" 2>&1
  status=$?
  after=$(ls "$build/findings" | grep -c "^$name-" || true)
  grep -E '^stat::number_of_executed_units|^#[0-9]+.*DONE' "$log" | tail -1
  if [ "$status" -ne 0 ] || [ "$after" -gt "$before" ]; then
    for reproducer in $(ls -t "$build"/findings/"$name"-* 2>/dev/null | grep -v '\.log$' | head -1); do
      echo "  CRASH in $name: reproducer $reproducer (log $log)"
      echo "  replay: $program $reproducer"
    done
    crashed+=("$name")
  fi
done
if [ ${#crashed[@]} -gt 0 ]; then
  echo "fuzz: ${#targets[@]} targets, crashes in: ${crashed[*]}"
  exit 1
fi
echo "fuzz: ${#targets[@]} targets, ${seconds}s each, no crashes"
