#!/usr/bin/env bash
# Removes what `make install` wrote, as listed in CMake's install manifest,
# and the engine's own data directory when that is left empty. The manifest
# holds the paths without DESTDIR: give the DESTDIR of the install.
#
#   tools/uninstall.sh MANIFEST [DESTDIR]
set -u
manifest=$1
destdir=${2:-}
if [ ! -f "$manifest" ]; then
  echo "Nothing to uninstall: $manifest is missing"
  exit 0
fi
status=0
# The manifest's last line has no line break.
while IFS= read -r file || [ -n "$file" ]; do
  [ -n "$file" ] || continue
  if [ -e "$destdir$file" ] || [ -L "$destdir$file" ]; then
    echo "Removing $destdir$file"
    rm -f "$destdir$file" || status=1
  fi
  case "$file" in */games/tarrock) prefix=${file%/games/tarrock} ;; esac
done <"$manifest"
[ -n "${prefix+set}" ] && rmdir "$destdir$prefix/share/games/tarrock" 2>/dev/null
[ $status -eq 0 ] && rm -f "$manifest"
exit $status
