// Developer tools: perft and the search benchmark.
#include <cstdio>

int main() {
  std::puts("usage: tarrock-bench perft DEPTH [FEN] | perft-suite FILE [MAXDEPTH] | bench [DEPTH]");
  return 0;
}
