#!/usr/bin/env bash
# Processor use of the desktop player under a virtual X server: plays the demo in a 640x480 window
# for SECONDS (default 10) playing, then as long paused, and prints the process's CPU time over
# the wall time as a share of one core. Usage: bench/desktop_cpu.sh [player] [seconds] [runs]
# (the median of the runs is printed). Needs Xvfb.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
player=${1:-$root/build/vantorel}
seconds=${2:-10}
runs=${3:-1}
ticks=$(getconf CLK_TCK)

display=":$((RANDOM % 400 + 600))"
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null || true' EXIT
sleep 1

cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }

measure() {  # prints the CPU % of one run with the given extra switch
  DISPLAY=$display "$player" -res:640x480 "$@" "$root/assets/demo.anim" >/dev/null 2>&1 &
  local pid=$!
  sleep 2  # window, context and first frames
  local c0 t0 c1 t1
  c0=$(cpu_ticks "$pid")
  t0=$(date +%s.%N)
  sleep "$seconds"
  c1=$(cpu_ticks "$pid")
  t1=$(date +%s.%N)
  kill "$pid"
  wait "$pid" 2>/dev/null || true
  awk -v a="$c0" -v b="$c1" -v s="$t0" -v e="$t1" -v hz="$ticks" \
    'BEGIN { printf "%.1f\n", 100 * (b - a) / hz / (e - s) }'
}

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

for state in playing paused; do
  switch=()
  [ "$state" = paused ] && switch=(-paused)
  result=$(for ((r = 0; r < runs; r++)); do measure ${switch[@]+"${switch[@]}"}; done | median)
  printf "desktop player under Xvfb, demo 640x480 at 25 fps, %-8s CPU %5s%% of one core (%s s, median of %d)\n" \
    "$state" "$result" "$seconds" "$runs"
done
