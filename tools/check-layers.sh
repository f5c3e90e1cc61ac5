#!/usr/bin/env bash
# Fails when an include in src/ climbs: each folder may include only its own
# headers and those of the layers below it. From the bottom: core, board,
# eval and tablebase (side by side, neither including the other), search,
# book, frontend.
set -u
cd "$(dirname "$0")/../src" || exit 2

rank() {
  case "$1" in
    core) echo 0 ;;
    board) echo 1 ;;
    eval | tablebase) echo 2 ;;
    search) echo 3 ;;
    book) echo 4 ;;
    frontend) echo 5 ;;
    *) echo -1 ;;
  esac
}

bad=0
while IFS= read -r hit; do
  hit=${hit#./}
  file=${hit%%:*}
  from=${file%%/*}
  target=$(sed -n 's/.*#include "\([a-z]*\)\/.*/\1/p' <<<"$hit")
  [ -n "$target" ] || continue
  [ "$from" = "$target" ] && continue
  rf=$(rank "$from")
  rt=$(rank "$target")
  if [ "$rf" -lt 0 ] || [ "$rt" -lt 0 ] || [ "$rt" -ge "$rf" ]; then
    echo "include climbs or crosses: $hit"
    bad=1
  fi
done < <(grep -rn '^#include "' --include='*.h' --include='*.cpp' .)
[ "$bad" -eq 0 ] && echo "every include points to its own folder or a lower layer"
exit "$bad"
