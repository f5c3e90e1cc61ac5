#!/usr/bin/env bash
# The soak run: many very fast games between build/tarrock and a Debian engine
# through the real xboard under Xvfb, half with Tarrock speaking xboard
# directly, half through its UCI front end behind polyglot, played in chunks
# by tools/xboard-games.sh at low priority. Counts Tarrock's crashes, illegal
# moves, losses on time and protocol errors over all games and ends with a
# one-line summary; exit 1 when any was found or games are missing.
#
#   tools/soak.sh [GAMES] [TIMECONTROL] [OPPONENT]
#
# Defaults: 200 games, 10 seconds a game each side (xboard's 0:10), fairymax.
# Environment: SOAK_CHUNK games per xboard session (10), KEEP_GAMES=DIR keeps
# every chunk's games and xboard debug log there.
set -u
games=${1:-200}
tc=${2:-0:10}
opponent=${3:-/usr/games/fairymax}
chunk=${SOAK_CHUNK:-10}

top=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/tarrock-soak-XXXXXX")
trap 'rm -rf "$work"' EXIT

xboard=$(command -v xboard || echo /usr/games/xboard)
polyglot=$(command -v polyglot || echo /usr/games/polyglot)
for need in "$xboard" "$(command -v xvfb-run)" "$opponent" "$polyglot"; do
  if [ ! -x "$need" ]; then
    echo "soak: ${need:-xvfb-run} is not installed (apt-get install -y xboard xvfb fairymax polyglot)"
    exit 2
  fi
done

played=0 crashes=0 illegal=0 timeouts=0 protocol=0 missing=0 wins=0 draws=0 losses=0
n=0
remaining=$games
while [ "$remaining" -gt 0 ]; do
  count=$(( remaining < chunk ? remaining : chunk ))
  remaining=$(( remaining - count ))
  n=$(( n + 1 ))
  dir="$work/chunk-$n"
  mkdir -p "$dir"
  uci="" protocol_name=xboard
  [ $(( n % 2 )) -eq 0 ] && uci=1 protocol_name="UCI via polyglot"
  TARROCK_UCI=$uci KEEP_GAMES="$dir" nice -n 10 "$top/tools/xboard-games.sh" "$count" "$tc" 0 0 "$opponent" \
    >"$dir/run.log" 2>&1
  pgn="$dir/games.pgn"
  debug="$dir/xboard.debug"
  got=$(grep -c '^\[Result ' "$pgn" 2>/dev/null || true)
  got=${got:-0}
  played=$(( played + got ))
  [ "$got" -lt "$count" ] && missing=$(( missing + count - got ))
  # Tarrock's result and the way each game ended, one line per game.
  awk '
    /^\[White / { white = $0 }
    /^\[Black / { black = $0 }
    { text = text " " $0 }
    /(1-0|0-1|1\/2-1\/2|\*) *$/ && !/^\[/ {
      n = split(text, parts, "{")
      ending = tolower(parts[n])
      side = white ~ /Tarrock/ ? "w" : "b"
      result = "draw"
      if ($0 ~ /1-0 *$/) result = side == "w" ? "win" : "loss"
      if ($0 ~ /0-1 *$/) result = side == "b" ? "win" : "loss"
      if ($0 ~ /\* *$/) result = "unfinished"
      print result "|" ending
      text = ""
    }' "$pgn" >"$dir/endings" 2>/dev/null
  wins=$(( wins + $(grep -c '^win|' "$dir/endings") ))
  draws=$(( draws + $(grep -c '^draw|' "$dir/endings") ))
  losses=$(( losses + $(grep -c '^loss|' "$dir/endings") ))
  crashes=$(( crashes + $(grep -Ec '^(loss|unfinished)\|.*(crash|exit|disconnect|terminat|died|killed)' "$dir/endings") ))
  illegal=$(( illegal + $(grep -Ec '^loss\|.*(illegal|false)' "$dir/endings") ))
  timeouts=$(( timeouts + $(grep -Ec '^loss\|.*(time|flag)' "$dir/endings") ))
  # Tarrock is xboard's first engine: lines it sent that mean a disagreement.
  protocol=$(( protocol + $(grep -Ec '<first *: *(Illegal move|Error|tellusererror|[Uu]nknown command)' "$debug" 2>/dev/null || true) ))
  if [ -n "${KEEP_GAMES:-}" ]; then
    mkdir -p "$KEEP_GAMES/chunk-$n" && cp "$dir"/* "$KEEP_GAMES/chunk-$n"/ 2>/dev/null
  fi
  echo "chunk $n ($protocol_name): $got of $count games, $(cut -d'|' -f1 "$dir/endings" | sort | uniq -c | tr -s ' \n' ' ')"
done

bad=$(( crashes + illegal + timeouts + protocol + missing ))
echo "soak: $played/$games games (tc $tc, $(basename "$opponent")): +$wins =$draws -$losses;" \
  "crashes $crashes, illegal moves $illegal, time losses $timeouts, protocol errors $protocol, missing games $missing" \
  "$([ $bad -eq 0 ] && echo OK || echo FAILED)"
[ $bad -eq 0 ]
