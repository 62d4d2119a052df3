#!/usr/bin/env bash
# Frame rate of the Windows player under wine against the Linux desktop player, both on the same
# virtual X server, playing the demo once with no frame delay (-fms:0) at 640x480:
#   bench/windows_fps.sh [LINUX_BUILD] [WIN64_BUILD]
# Prints the frames, the wall time of each run (start-up included) and the frames per second.
set -euo pipefail

if [ "${1:-}" = "--inside" ]; then
  linux=$2 win=$3 demo=$4 frames=$5
  wineserver -p
  wine cmd /c exit </dev/null >/dev/null 2>&1
  run() {  # label, command...
    local label=$1
    shift
    local start end
    start=$(date +%s.%N)
    "$@" -once -fms:0 -res:640x480 "$demo" </dev/null >/dev/null 2>&1
    end=$(date +%s.%N)
    awk -v l="$label" -v f="$frames" -v s="$start" -v e="$end" \
      'BEGIN { printf "%-22s %5d frames in %6.2f s: %7.1f frames/s\n", l, f, e - s, f / (e - s) }'
  }
  run "linux (SDL, Mesa)" "$linux/vantorel"
  run "windows under wine" wine "$win/vantorel.exe"
  wineserver -k
  exit 0
fi

root=$(cd "$(dirname "$0")/.." && pwd)
linux=$(cd "${1:-$root/build}" && pwd)
win=$(cd "${2:-$root/build-win64}" && pwd)
export WINEPREFIX="$win/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
[ -f "$WINEPREFIX/system.reg" ] || { echo "run scripts/windows-test.sh $win first" >&2; exit 1; }
demo="$root/assets/demo.anim"
frames=$("$linux/animtool" info "$demo" | awk '/^frames:/ { print $2 }')
xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" "$0" --inside "$linux" "$win" "$demo" "$frames"
