#!/usr/bin/env bash
# Removes what `make install` installed, as listed (one path a line) in the record it kept, then
# the demo's folder when it is empty, and refreshes the desktop caches of a live install.
# Usage: scripts/uninstall.sh RECORD
set -euo pipefail
record=$1
if [ ! -f "$record" ]; then
  echo "uninstall: $record not found: nothing was installed from this build" >&2
  exit 1
fi
demo_dir= mime_dir=
dirs=()
while IFS= read -r path || [ -n "$path" ]; do
  [ -n "$path" ] || continue
  case $path in
    */share/vantorel/demo.anim) demo_dir=$(dirname "$path") ;;
    */share/mime/packages/vantorel.xml) mime_dir=$(dirname "$(dirname "$path")") ;;
  esac
  # Folders installed whole (the HTML reference) are listed too: emptied below, once their files
  # are gone.
  if [ -d "$path" ] && [ ! -L "$path" ]; then
    dirs=("$path" "${dirs[@]}")
    continue
  fi
  if [ -e "$path" ] || [ -L "$path" ]; then
    rm -f -- "$path"
    echo "removed $path"
  fi
done <"$record"
for dir in "${dirs[@]}"; do
  find "$dir" -depth -type d -empty -delete 2>/dev/null || true
done
[ -n "$demo_dir" ] && rmdir -- "$demo_dir" 2>/dev/null || true
# A staged install (DESTDIR) has no live caches; a real one does.
if [ -n "$mime_dir" ] && [ -f "$mime_dir/mime.cache" ]; then
  "$(dirname "$0")/refresh-desktop-caches.sh" "$(dirname "$(dirname "$mime_dir")")"
fi
rm -f -- "$record"
