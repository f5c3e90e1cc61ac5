#include "book/probe.h"

#include <cstdlib>
#include <cstring>

#include "board/attacks.h"
#include "board/makemove.h"
#include "board/movegen.h"
#include "board/notation.h"
#include "book/state.h"
#include "core/output.h"
#include "search/search.h"
#include "search/timecontrol.h"

namespace tarrock {

namespace {

struct Candidate {
  Move move;
  bool found;
  BookEntry entry;
  int32_t weight;
};

double percent(double part, double whole) { return whole == 0 ? 0.0 : part * 100.0 / whole; }

const char* annotationText(uint32_t flags) {
  const char* text = "";
  if (flags & MarkGood) text = "!";
  if (flags & MarkExcellent) text = "!!";
  if (flags & MarkBad) text = "?";
  if (flags & MarkBlunder) text = "??";
  return text;
}

bool knownLastResult(uint32_t last) { return last == 0 || last == LastWon || last == LastLost || last == LastDrawn; }

void printCandidate(Position& pos, const Candidate& c, bool chosen, uint64_t total) {
  Colour us = pos.sideToMove;
  double wins = us == White ? c.entry.whiteWins : c.entry.blackWins;
  double losses = us == White ? c.entry.blackWins : c.entry.whiteWins;
  double draws = c.entry.draws;
  double n = wins + losses + draws;
  uint32_t last = c.entry.flags & LastResultMask;
  const char* lastText = " ";
  if (last == LastWon) lastText = "+";
  else if (last == LastLost) lastText = "-";
  else if (last == LastDrawn) lastText = "=";
  else if (last != 0) PrintInfo("corrupted book file\n");
  char san[48];
  std::snprintf(san, sizeof san, "%s%s", moveToSan(pos, c.move), annotationText(c.entry.flags));
  PrintInfo("%s %-6s %7d   %6.2f%%   %6.2f%%    %s %6.2f  %6.2f%%  %6.2f%%  %6.2f\n", chosen ? "*" : " ", san,
            int32_t(c.entry.played), percent(double(c.weight), double(total)),
            percent(2 * wins + draws, 2 * n), lastText, c.entry.learn * 0.00002, percent(wins, n),
            percent(losses, n), percent(draws, n));
}

}  // namespace

int32_t BookMoveWeight(const BookEntry& entry, Colour mover) {
  double wins = mover == White ? entry.whiteWins : entry.blackWins;
  double weight = double(entry.draws) + 2.0 * wins;
  weight = entry.learn * 0.00002 * weight;
  // Held in range so that a damaged record cannot overflow the sums.
  int64_t w = weight >= double(INT32_MAX) ? INT32_MAX : int64_t(weight);
  if (entry.flags & MarkGood) w *= 2;
  if (entry.flags & MarkExcellent) w *= 10;
  if (entry.flags & MarkBad) w /= 2;
  if (entry.flags & MarkBlunder) w = 0;
  uint32_t last = entry.flags & LastResultMask;
  if (last == LastWon) w *= 2;
  else if (last == LastLost) w /= 8;
  else if (!knownLastResult(last)) PrintInfo("corrupted book file\n");
  return w > INT32_MAX ? INT32_MAX : int32_t(w);
}

int ChooseBookCandidate(const int32_t* weights, int count, uint64_t r) {
  uint64_t sum = 0;
  for (int i = 0; i < count; ++i) {
    sum += uint64_t(weights[i]);
    if (sum > r) return i;
  }
  return -1;
}

Move BookProbe(Position& pos) {
  if (!book.file) return 0;
  uint32_t start = Ticks();
  static Move moves[MaxMoves];
  static Candidate candidates[MaxMoves];
  int count = filterLegal(pos, moves, generateAll(pos, moves));
  if (count == 0) return 0;

  uint64_t total = 0;
  for (int i = 0; i < count; ++i) {
    Candidate& c = candidates[i];
    c.move = moves[i];
    c.found = false;
    c.weight = 0;
    makeMove(pos, c.move);
    int32_t r = BookFind(pos.key(), 0, book.count);
    if (r >= 0) {
      ReadBookEntry(r, c.entry);
      if (c.entry.key != pos.key()) {
        PrintInfo("\nSearch failed\n");
        std::exit(1);
      }
      c.found = true;
      c.weight = IsRepetition(pos) ? 0 : BookMoveWeight(c.entry, pos.sideToMove ^ 1);
      total += uint64_t(c.weight);
    }
    unmakeMove(pos, c.move);
  }

  Move chosen = 0;
  if (total > 0) {
    uint32_t m = Ticks() % 20;
    uint32_t value = 0;
    for (uint32_t i = 0; i < m / 2 + 1; ++i) value = random32();
    int32_t weights[MaxMoves];
    for (int i = 0; i < count; ++i) weights[i] = candidates[i].weight;
    int pick = ChooseBookCandidate(weights, count, uint64_t(value) % total);
    if (pick >= 0) chosen = candidates[pick].move;

    SelectionSortDescending(
        count, [&](int i) { return candidates[i].weight; },
        [&](int a, int b) { std::swap(candidates[a], candidates[b]); });
    PrintInfo("  Move    Played   Prop[%%]  Score[%%]  Last Learn     +        -        =\n");
    for (int i = 0; i < count; ++i)
      if (candidates[i].weight != 0) printCandidate(pos, candidates[i], candidates[i].move == chosen, total);
  }
  uint32_t probes = book.cacheProbes;
  PrintInfo("Book: cache %.2f%%, time %s sec\n", probes ? book.cacheHits * 100.0 / probes : 0.0,
            FormatTime(start, Ticks()));
  return chosen;
}

}  // namespace tarrock
