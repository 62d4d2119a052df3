#!/usr/bin/env bash
# Runs every fuzz target in a fuzz build for a number of seconds each, with its seed corpus, and
# keeps what each run found: full crash reports, crashing inputs and the final statistics.
usage() {
  cat <<EOF
usage: scripts/run-fuzzers.sh [BUILD [SECONDS [TARGET...]]]
  BUILD    fuzz build folder (default build-fuzz; make fuzz configures it)
  SECONDS  time per target (default 30)
  TARGET   names of targets to run (default: every BUILD/fuzz/*_fuzz)
Environment: FUZZ_JOBS=N runs N targets at a time (default 1); FUZZ_NICE=N runs them under
nice -n N (default 0).
Writes, per target NAME:
  BUILD/fuzz/corpus/NAME/      the growing corpus (the seeds in fuzz/seeds/NAME and the inputs
                               that once failed, fuzz/regressions/NAME, are read too)
  BUILD/fuzz/artifacts/NAME/   crash-*, leak-*, timeout-*, oom-* inputs that made it fail
  BUILD/fuzz/logs/NAME.log     the whole output of the run: crash reports with their stacks
and ends with one line of executions and coverage per target. Exit status 1 when a target failed.
Replay a crash with: BUILD/fuzz/NAME BUILD/fuzz/artifacts/NAME/crash-...
EOF
}
set -uo pipefail
case "${1:-}" in -h|--help) usage; exit 0 ;; esac
build=${1:-build-fuzz}; seconds=${2:-30}
shift $(( $# < 2 ? $# : 2 ))
root=$(cd "$(dirname "$0")/.." && pwd)
jobs=${FUZZ_JOBS:-1}; niceness=${FUZZ_NICE:-0}
out="$build/fuzz"
mkdir -p "$out/logs" "$out/artifacts" "$out/corpus"

targets=()
if [ $# -gt 0 ]; then
  for name in "$@"; do targets+=("$out/$name"); done
else
  for f in "$out"/*_fuzz; do [ -x "$f" ] && targets+=("$f"); done
fi
[ ${#targets[@]} -gt 0 ] || { echo "no fuzz targets in $out (run make fuzz first)" >&2; exit 1; }

run_one() {
  local f=$1 name; name=$(basename "$1")
  local corpus="$out/corpus/$name" artifacts="$out/artifacts/$name" log="$out/logs/$name.log"
  mkdir -p "$corpus" "$artifacts"
  local seeds=()
  [ -d "$root/fuzz/seeds/$name" ] && seeds=("$root/fuzz/seeds/$name")
  [ -d "$root/fuzz/regressions/$name" ] && seeds+=("$root/fuzz/regressions/$name")
  # Leaks are checked (libFuzzer's default); only the off-screen renderer's own blocks are let go.
  LSAN_OPTIONS="suppressions=$root/scripts/lsan-suppressions.txt:print_suppressions=0${LSAN_OPTIONS:+:$LSAN_OPTIONS}" \
  nice -n "$niceness" "$f" -max_total_time="$seconds" -print_final_stats=1 \
    -artifact_prefix="$artifacts/" "$corpus" "${seeds[@]}" >"$log" 2>&1
  local status=$?
  local execs cov ft
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  cov=$(grep -o 'cov: [0-9]*' "$log" | tail -n 1 | cut -d' ' -f2)
  ft=$(grep -o 'ft: [0-9]*' "$log" | tail -n 1 | cut -d' ' -f2)
  local found; found=$(ls "$artifacts" | wc -l)
  printf '%-24s %s  execs %s  cov %s  ft %s  artifacts %s  (log %s)\n' "$name" \
    "$([ $status -eq 0 ] && echo ok || echo "FAILED($status)")" "${execs:-?}" "${cov:-?}" \
    "${ft:-?}" "$found" "$log" >"$log.summary"
  [ $status -eq 0 ]
}

echo "== ${#targets[@]} targets, $seconds s each, $jobs at a time; logs in $out/logs, artifacts in $out/artifacts"
status=0
pids=()
for f in "${targets[@]}"; do
  [ -x "$f" ] || { echo "missing target $f" >&2; status=1; continue; }
  run_one "$f" &
  pids+=($!)
  if [ ${#pids[@]} -ge "$jobs" ]; then
    wait "${pids[0]}" || status=1
    pids=("${pids[@]:1}")
  fi
done
for p in "${pids[@]}"; do wait "$p" || status=1; done

echo "== final stats"
for f in "${targets[@]}"; do
  s="$out/logs/$(basename "$f").log.summary"
  [ -f "$s" ] && cat "$s"
done
for f in "${targets[@]}"; do
  log="$out/logs/$(basename "$f").log"
  if [ -f "$log" ] && grep -q -E '^==[0-9]+==ERROR|runtime error|^SUMMARY' "$log"; then
    echo "== report from $(basename "$f") (whole log: $log)"
    sed -n '/==ERROR\|runtime error/,$p' "$log" | head -n 80
  fi
done
exit $status
