#!/usr/bin/env bash
# Runs every fuzzer for SECONDS, starting from the checked-in seeds (which include every
# input that once found a fault). A crash keeps its input in fuzz/crashes/ and fails.
# usage: fuzz/run.sh BUILD_DIR SECONDS
set -u
build=$1
seconds=$2
cd "$(dirname "$0")"
mkdir -p crashes
status=0
for program in "$build"/fuzz/*_fuzz; do
  target=$(basename "$program" _fuzz)
  work=$(mktemp -d)
  log=$(mktemp)
  if "$program" -max_total_time="$seconds" -print_final_stats=1 -artifact_prefix=crashes/"$target"- \
    "$work" "corpus/$target" >"$log" 2>&1; then
    runs=$(grep -o 'stat::number_of_executed_units: [0-9]*' "$log" | grep -o '[0-9]*$')
    echo "fuzz $target: ${runs:-0} runs, no crash"
  else
    echo "fuzz $target: FAILED"
    tail -30 "$log"
    status=1
  fi
  rm -rf "$work" "$log"
done
exit $status
