#!/usr/bin/env bash
# Draws the program's icons: the demo generator's colour wheel (make_demo_anim --icon, one second
# of a 256x256 animation) turned into PNGs by animtool thumbnail at 256, 48, 32 and 16 pixels (the
# Windows icon holds all four; the Linux install uses 256 and 48).
# Usage: scripts/make-icon.sh BUILD_DIR OUT_DIR   (writes OUT_DIR/vantorel-SIZE.png)
set -euo pipefail
build=$1
out=$2
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
"$build/make_demo_anim" --icon -o "$tmp/icon.anim"
for size in 256 48 32 16; do
  "$build/animtool" thumbnail "$tmp/icon.anim" "$out/vantorel-$size.png" --size "$size"
done
