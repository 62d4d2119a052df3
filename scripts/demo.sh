#!/usr/bin/env bash
# Plays the bundled demo animation with its captions, once through (300 frames at 25 frames per
# second), then says which frame rate it reached and, when that is below the one asked, why. With
# a display: in a window (Q or Escape stops early; P pause, R restart, F frame numbers, X/Z faster/
# slower). Without one: with the headless player, keeping a few pictures under <build>/demo/.
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
root=$(cd "$(dirname "$0")/.." && pwd)
anim="$root/assets/demo.anim"
captions="$root/assets/demo_captions.txt"
frames=300
fps=25
size=640x480

have_display() {
  [ -n "${WAYLAND_DISPLAY:-}" ] && return 0
  [ -n "${DISPLAY:-}" ] && command -v xdotool >/dev/null && xdotool getdisplaygeometry >/dev/null 2>&1
}

# Whether the window's OpenGL is drawn by the processor: Mesa's software renderers, or no GPU.
software_gl() {
  if command -v glxinfo >/dev/null; then
    glxinfo -B 2>/dev/null | grep -qiE 'renderer.*(llvmpipe|softpipe|software)'
    return
  fi
  [ -n "${LIBGL_ALWAYS_SOFTWARE:-}" ] || ! ls /dev/dri/renderD* >/dev/null 2>&1
}

# Frame 300 stays one period longer (the end of the file shows one pass late), then the pass after
# it ends the program: 301 frame periods in all.
report() {
  local start=$1 end=$2 software=$3
  local rate
  rate=$(awk -v n="$frames" -v s="$start" -v e="$end" 'BEGIN { printf "%.2f", (n + 1) / (e - s) }')
  awk -v n="$frames" -v s="$start" -v e="$end" -v r="$rate" -v f="$fps" \
    'BEGIN { printf "%d frames in %.2f s: %s frames per second achieved (%d asked)\n", n, e - s, r, f }'
  # The time includes opening the window and reading the file, a few tenths of a second.
  if awk -v r="$rate" -v f="$fps" 'BEGIN { exit !(r < 0.95 * f) }'; then
    echo "Below the $fps frames per second asked, because:"
    if [ "$software" = 1 ]; then
      echo "- OpenGL runs on Mesa's software renderer here (no GPU): the processor draws every pixel;"
    fi
    echo "- the window is $size: every frame's changes are drawn at that size, so a smaller -res: draws less;"
    local load cpus
    load=$(cut -d' ' -f1 /proc/loadavg 2>/dev/null || echo 0)
    cpus=$(nproc 2>/dev/null || echo 1)
    if awk -v l="$load" -v c="$cpus" 'BEGIN { exit !(l > c) }'; then
      echo "- the machine is busy (load average $load on $cpus processors): the player waits for a processor."
    fi
  fi
}

if [ -x "$build/vantorel" ] && have_display; then
  echo "Playing assets/demo.anim once in a window: Q or Escape stops early; P pause, R restart,"
  echo "F frame numbers, X/Z or keypad +/- faster/slower."
  software=0
  software_gl && software=1
  start=$(date +%s.%N)
  "$build/vantorel" -once "-res:$size" "-captionfile:$captions" "$anim"
  end=$(date +%s.%N)
  # Stopped by a key before the end: the run is shorter than the animation and says nothing.
  if awk -v s="$start" -v e="$end" -v n="$frames" -v f="$fps" 'BEGIN { exit !(e - s < 0.98 * (n + 1) / f) }'; then
    echo "Ended before the 12 s the animation lasts (stopped or sped up): no frame rate to report."
    exit 0
  fi
  report "$start" "$end" "$software"
  exit 0
fi

out="$build/demo"
mkdir -p "$out"
rm -f "$out"/frame*.png
script="$out/script.txt"
# Poll p + 1 follows the pass that drew frame p.
{
  echo "# snapshots of the demo, written by scripts/demo.sh"
  for f in 1 75 150 225 300; do
    printf '%d snapshot %s/frame%03d.png\n' $((f + 1)) "$out" "$f"
  done
} >"$script"
echo "No display: playing assets/demo.anim once with the headless player ($size, $fps frames per second)..."
start=$(date +%s.%N)
VANTOREL_SCRIPT="$script" "$build/vantorel-headless" -once "-res:$size" "-captionfile:$captions" "$anim"
end=$(date +%s.%N)
echo "Pictures of frames 1, 75, 150, 225 and 300: $out/frame001.png ... $out/frame300.png"
report "$start" "$end" 1
