#!/usr/bin/env bash
# Runs every fuzzer for SECONDS, starting from the checked-in seeds (which include every
# input that once found a fault), as many at once as the machine has cores. A crash keeps its
# input in fuzz/crashes/ and fails.
# usage: fuzz/run.sh BUILD_DIR SECONDS
set -u
build=$1
seconds=$2
cd "$(dirname "$0")"
mkdir -p crashes
results=$(mktemp -d)
trap 'rm -rf "$results"' EXIT

one() {  # PROGRAM: its line (and the tail of its log when it fails) into $results
  local program=$1 target work log
  target=$(basename "$program" _fuzz)
  work=$(mktemp -d)
  log=$(mktemp)
  if "$program" -max_total_time="$seconds" -print_final_stats=1 -artifact_prefix=crashes/"$target"- \
    "$work" "corpus/$target" >"$log" 2>&1; then
    runs=$(grep -o 'stat::number_of_executed_units: [0-9]*' "$log" | grep -o '[0-9]*$')
    echo "fuzz $target: ${runs:-0} runs, no crash" >"$results/$target.ok"
  else
    { echo "fuzz $target: FAILED"; tail -30 "$log"; } >"$results/$target.failed"
  fi
  rm -rf "$work" "$log"
}

cores=$(nproc 2>/dev/null || echo 1)
for program in "$build"/fuzz/*_fuzz; do
  while [ "$(jobs -rp | wc -l)" -ge "$cores" ]; do wait -n; done
  one "$program" &
done
wait
cat "$results"/* 2>/dev/null
! ls "$results"/*.failed >/dev/null 2>&1
