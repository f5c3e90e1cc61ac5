#!/usr/bin/env bash
# Plays games between build/tarrock and a Debian engine through a real xboard
# GUI running headless under Xvfb, then checks every game: a proper result,
# no illegal move, no engine crash, no loss on time.
#
#   tools/xboard-games.sh [GAMES] [TIMECONTROL] [MOVES] [INCREMENT] [OPPONENT]
#
# TIMECONTROL is xboard's minutes[:seconds], MOVES the moves per session (0 for
# the whole game), INCREMENT seconds per move. Defaults: 2 games, 40 moves in
# 1 minute, fairymax. When xboard, xvfb-run or the opponent is missing the
# games are skipped with a message (exit 0); failed games exit 1.
#
# Environment: TARROCK_UCI=1 runs Tarrock through its UCI front end behind
# Debian's polyglot adapter; OPPONENT_UCI=1 does the same for a UCI opponent;
# PONDER=1 lets both engines think on the opponent's time.
set -u
games=${1:-2}
tc=${2:-1}
mps=${3:-40}
inc=${4:-0}
opponent=${5:-/usr/games/fairymax}

top=$(cd "$(dirname "$0")/.." && pwd)
engine="$top/build/tarrock"
xboard=$(command -v xboard || echo /usr/games/xboard)

polyglot=$(command -v polyglot || echo /usr/games/polyglot)
needs=("$xboard" "$(command -v xvfb-run)" "$opponent")
if [ -n "${TARROCK_UCI:-}" ] || [ -n "${OPPONENT_UCI:-}" ]; then needs+=("$polyglot"); fi
for need in "${needs[@]}"; do
  if [ ! -x "$need" ]; then
    echo "xboard games skipped: ${need:-xvfb-run} is not installed"
    exit 0
  fi
done
if [ ! -x "$engine" ]; then
  echo "xboard games: $engine is missing (run make first)"
  exit 1
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/tarrock-games-XXXXXX")
trap 'rm -rf "$work"' EXIT
pgn="$work/games.pgn"
# Tarrock plays from a copy of the default book (learning changes the copy).
[ -f "$top/build/tarrock.bok" ] && cp "$top/build/tarrock.bok" "$work/"
debug="$work/xboard.debug"

# A game lasts at most the two clocks; allow twice that per game and a minute.
minutes=${tc%%:*}
seconds=0
case "$tc" in *:*) seconds=${tc#*:} ;; esac
per_game=$(( (minutes * 60 + seconds + 200 * inc) * 2 * 2 + 60 ))
limit=$(( games * per_game + 60 ))

first="$engine"
second="$opponent"
[ -n "${TARROCK_UCI:-}" ] && first="$polyglot -noini -ec $engine -ed $work"
[ -n "${OPPONENT_UCI:-}" ] && second="$polyglot -noini -ec $opponent -ed $work"
ponder=-xponder
[ -n "${PONDER:-}" ] && ponder=-ponder

echo "xboard games: $games games, tc $tc mps $mps inc $inc, tarrock${TARROCK_UCI:+ (UCI)} against" \
  "$(basename "$opponent")${PONDER:+, pondering}"
timeout "$limit" xvfb-run -a "$xboard" \
  -fcp "$first" -fd "$work" -scp "$second" -sd "$work" \
  -mg "$games" -tc "$tc" -mps "$mps" -inc "$inc" \
  -autoCallFlag true -xexit -xpopup "$ponder" \
  -sgf "$pgn" -debug -nameOfDebugFile "$debug" >"$work/xboard.out" 2>&1
status=$?
if [ $status -ne 0 ]; then
  echo "xboard ended with status $status"
  tail -20 "$work/xboard.out"
fi

failures=0
played=$(grep -c '^\[Result ' "$pgn" 2>/dev/null || true)
played=${played:-0}
if [ "$played" -ne "$games" ]; then
  echo "FAIL: $played of $games games were recorded"
  failures=$((failures + 1))
fi
if grep -q '^\[Result "\*"\]' "$pgn" 2>/dev/null; then
  echo "FAIL: a game ended without a result"
  failures=$((failures + 1))
fi
# Lines the engine under test sent ("first" when it plays White, "second"
# when Black) that must never appear, and game-end comments that mean a fault.
if grep -E '<(first|second) *: *(Illegal move|Error)' "$debug" 2>/dev/null | grep -v 'unknown command' |
   grep -q .; then
  echo "FAIL: an engine reported an illegal move or error:"
  grep -E '<(first|second) *: *(Illegal move|Error)' "$debug" | grep -v 'unknown command' | head -5
  failures=$((failures + 1))
fi
# A game Tarrock lost on time, by an illegal move, a crash or a disconnect.
awk '
  /^\[White / { white = $0 }
  /^\[Black / { black = $0 }
  { text = text " " $0 }
  /(1-0|0-1|1\/2-1\/2|\*) *$/ && !/^\[/ {
    loser = ""
    if ($0 ~ /1-0 *$/) loser = black
    if ($0 ~ /0-1 *$/) loser = white
    n = split(text, parts, "{")
    ending = parts[n]
    if (loser ~ /Tarrock/ && tolower(ending) ~ /time|forfeit|illegal|crash|exit|disconnect|false/)
      print "Tarrock lost: {" ending
    text = ""
  }' "$pgn" >"$work/bad-endings" 2>/dev/null
if [ -s "$work/bad-endings" ]; then
  echo "FAIL: games ended badly:"
  cat "$work/bad-endings"
  failures=$((failures + 1))
fi

awk '/^\[White /{w=$0} /^\[Black /{b=$0} /^\[Result /{print w, b, $0}' "$pgn" 2>/dev/null |
  sed -e 's/\[White "\([^"]*\)"\]/\1 -/' -e 's/\[Black "\([^"]*\)"\]/\1:/' -e 's/\[Result "\([^"]*\)"\]/\1/'
grep -oE '\{[^}]*\} *(1-0|0-1|1/2-1/2)' "$pgn" 2>/dev/null | sort | uniq -c

# KEEP_GAMES=DIR keeps the games and xboard's debug log.
[ -n "${KEEP_GAMES:-}" ] && cp "$pgn" "$debug" "$KEEP_GAMES"/ 2>/dev/null
if [ $failures -ne 0 ]; then
  echo "xboard games: FAILED"
  exit 1
fi
echo "xboard games: $played games, all correct"
