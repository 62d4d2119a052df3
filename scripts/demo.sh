#!/usr/bin/env bash
# Shows the bundled demo animation. The player cannot play it yet, so this renders a few of its
# frames to PNG images with animtool and says where they are.
set -euo pipefail
build=${1:-build}
root=$(cd "$(dirname "$0")/.." && pwd)
out="$build/demo"
mkdir -p "$out"
"$build/animtool" render "$root/assets/demo.anim" --size 640x480 --frames 120 --every -o "$out/frame%03d.png" >/dev/null
echo "The player cannot play animations yet."
echo "Rendered the first 120 frames of assets/demo.anim with animtool into $out/ (frame001.png ... frame120.png)."
