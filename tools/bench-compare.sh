#!/usr/bin/env bash
# Side-by-side speed of two revisions: builds BASE_REV and the working tree
# into separate build folders, runs their benches alternately ROUNDS times and
# prints the median rate of each and the ratio (working tree / base) for the
# search bench, perft 5 from the start and the evaluation bench. Absolute
# rates swing with the machine's load; only ratios from one run are worth
# comparing. Fails when the two search signatures differ.
#
#   tools/bench-compare.sh BASE_REV [ROUNDS]
set -euo pipefail
[ $# -ge 1 ] || { echo "usage: $0 BASE_REV [ROUNDS]" >&2; exit 2; }
base_rev=$1
rounds=${2:-5}
top=$(git rev-parse --show-toplevel)
cd "$top"
out=$top/build/compare
mkdir -p "$out"
jobs=$(nproc 2>/dev/null || echo 2)

build() {  # source-dir build-dir
  cmake -S "$1" -B "$2" -DCMAKE_BUILD_TYPE=Release -DTARROCK_TESTS=OFF >/dev/null
  cmake --build "$2" -j "$jobs" --target tarrock-bench >/dev/null
}

src_base=$out/base-src
rm -rf "$src_base"
mkdir -p "$src_base"
git archive "$base_rev" | tar -x -C "$src_base"
echo "building $base_rev and the working tree"
build "$src_base" "$out/base"
build "$top" "$out/head"

suite=$top/tests/data/sts.epd
declare -A rate
run() {  # which round
  local bin=$out/$1/tarrock-bench b p e
  b=$("$bin" bench)
  local sig
  sig=$(sed -n 's/^Nodes searched: //p' <<<"$b")
  echo "$sig" >"$out/$1.signature"
  echo "$(sed -n 's/^Nodes\/second: //p' <<<"$b")" >>"$out/$1.bench"
  p=$("$bin" perft 5 | sed -n 's/.*, \([0-9]*\) nodes per second/\1/p')
  echo "$p" >>"$out/$1.perft"
  e=$("$bin" evalbench "$suite" 100 | sed -n 's/^pawn table warm: \([0-9]*\).*/\1/p')
  echo "$e" >>"$out/$1.eval"
}

rm -f "$out"/{base,head}.{bench,perft,eval,signature}
for ((i = 1; i <= rounds; i++)); do
  if ((i % 2)); then run base; run head; else run head; run base; fi
  echo "round $i of $rounds done"
done

median() { sort -n "$1" | awk '{v[NR] = $1} END {print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'; }
status=0
if [ "$(cat "$out/base.signature")" != "$(cat "$out/head.signature")" ]; then
  echo "signatures differ: base $(cat "$out/base.signature"), working tree $(cat "$out/head.signature")"
  status=1
else
  echo "signature: $(cat "$out/head.signature") (equal)"
fi
printf '%-22s %14s %14s %7s\n' "median of $rounds" "base" "working tree" "ratio"
for kind in bench perft eval; do
  b=$(median "$out/base.$kind")
  h=$(median "$out/head.$kind")
  case $kind in
    bench) label="search nodes/s" ;;
    perft) label="perft 5 nodes/s" ;;
    eval) label="evaluations/s" ;;
  esac
  printf '%-22s %14.0f %14.0f %7.3f\n' "$label" "$b" "$h" "$(awk -v a="$h" -v b="$b" 'BEGIN {print (b > 0 ? a / b : 0)}')"
done
exit $status
