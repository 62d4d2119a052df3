#!/usr/bin/env bash
# Runs every fuzz target in a fuzz build for a number of seconds each, with its seed corpus.
set -euo pipefail
build=${1:-build-fuzz}; seconds=${2:-30}
root=$(cd "$(dirname "$0")/.." && pwd)
status=0
for f in "$build"/fuzz/*_fuzz; do
  [ -x "$f" ] || continue
  name=$(basename "$f")
  corpus="$build/fuzz/corpus/$name"; mkdir -p "$corpus"
  seeds=()
  [ -d "$root/fuzz/seeds/$name" ] && seeds=("$root/fuzz/seeds/$name")
  echo "== $name ($seconds s)"
  "$f" -max_total_time="$seconds" -print_final_stats=0 "$corpus" "${seeds[@]}" 2>&1 | tail -n 3 || status=1
done
exit $status
