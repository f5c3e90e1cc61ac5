#!/usr/bin/env bash
# Where the bench spends its time: samples `tarrock-bench bench` ROUNDS times
# with perf and sums the shares of the engine's parts by function name.
# Inlining moves work between functions, so the parts are approximate; the
# table clears between bench positions (memset, page clearing) are shown
# apart, since the bench does not time them.
#
#   tools/profile.sh [BENCH_BINARY] [ROUNDS]
set -euo pipefail
bin=${1:-build/tarrock-bench}
rounds=${2:-10}
command -v perf >/dev/null || { echo "profile.sh needs perf (linux-perf)" >&2; exit 2; }
data=$(mktemp)
trap 'rm -f "$data"' EXIT
perf record -q -o "$data" -F 4000 -- bash -c "for ((i = 0; i < $rounds; i++)); do '$bin' bench >/dev/null; done" 2>/dev/null
perf report -i "$data" --no-children --sort symbol -F overhead,sym --stdio 2>/dev/null | awk '
  /^#/ || NF < 2 { next }
  {
    share = $1; sub(/%/, "", share)
    name = $0; sub(/^ *[0-9.]+% +\[[^]]*\] +/, "", name)
    part = "other"
    if (name ~ /memset|clear_page|page_fault|folio|ClearHashTable|ClearPawnTable/) part = "table clears (untimed)"
    else if (name ~ /unmakeMove|makeMove|countMan|MakeNullMove|UnmakeNullMove/) part = "make/unmake"
    else if (name ~ /captures<|nonCaptures<|evasions<|generate|isMoveValid/) part = "move generation"
    else if (name ~ /staticExchange|leastValuableAttacker/) part = "exchange evaluation"
    else if (name ~ /inCheck|moveExposedKing|moveGaveCheck|isAttacked|attackersOf|isPinned|Unmade/) part = "attack tests"
    else if (name ~ /pawnEntry|EvaluatePawns|pawnStructure|PawnRace|fillPawnEntry|fillThenEvaluate/) part = "pawn table"
    else if (name ~ /evaluate<|Evaluate|pieceTerms|pieceEvaluation|evaluateEndgame|fillShelterEntry|kingPlacement|KingShelter|shelter<|endgame|blockedPassers|GamePhase/) part = "Evaluate"
    else if (name ~ /Quiesce/) part = "Quiesce"
    else if (name ~ /PickNextMove|StartMovePicker|SortMoves|keyCaptures|keyEvasions|droppableQuiets/) part = "move picker"
    else if (name ~ /ProbeHash|StoreHash/) part = "transposition table"
    else if (name ~ /Search|IsRepetition/) part = "Search"
    sum[part] += share
  }
  END { for (p in sum) printf "%6.2f%%  %s\n", sum[p], p }' | sort -rn
