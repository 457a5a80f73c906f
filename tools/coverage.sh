#!/usr/bin/env bash
# Line and branch coverage of src/ (what ships) from the counts a test run left in a build
# made with ORVAN_COVERAGE, per folder and in all; --total prints only the line of all.
# Branches are those of the source: the ones the compiler adds for exceptions are left out.
# usage: tools/coverage.sh BUILD_DIR [--total]
set -euo pipefail
build=$1
root=$(cd "$(dirname "$0")/.." && pwd)
# The counts of this build alone: another build in the tree (./dev coverage beside ./dev test)
# has counts of its own, which gcovr would otherwise find and fail to merge.
csv=$(cd "$root" && gcovr --root . "$build" --object-directory "$build" --filter 'src/' --exclude-throw-branches \
  --exclude-unreachable-branches --csv 2>/dev/null)
awk -F, -v only_total="${2:-}" '
  NR == 1 { next }
  {
    split($1, part, "/"); folder = part[2]
    if (!(folder in lines)) order[++n] = folder
    lines[folder] += $2; hit[folder] += $3; branches[folder] += $5; taken[folder] += $6
    L += $2; H += $3; B += $5; T += $6
  }
  function pct(a, b) { return b ? sprintf("%5.1f%%", 100 * a / b) : "    -" }
  function row(name, l, h, b, t) {
    printf "  %-12s lines %s %-14s branches %s (%d of %d)\n", name, pct(h, l), sprintf("(%d of %d)", h, l), pct(t, b), t, b
  }
  END {
    if (only_total != "--total")
      for (i = 1; i <= n; ++i) { f = order[i]; row(f "/", lines[f], hit[f], branches[f], taken[f]) }
    row("src/ in all", L, H, B, T)
  }' <<<"$csv"
