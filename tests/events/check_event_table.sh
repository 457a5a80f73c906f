#!/usr/bin/env bash
# README's table of events is the message table's: the same events, each at the level its
# "; level:" line gives, with as many fields as its text has insertion strings.
# usage: check_event_table.sh SOURCE_ROOT
set -u
root=$1
CHECK_LABEL="event table"
. "$root/tests/lib/check.sh"
mc="$root/res/messages.mc"
# "ID LEVEL FIELDS" of the message table, and of README's rows.
from_mc=$(awk '
  /^; level: / { level = $3 }
  /^MessageId=/ { split($0, a, "="); id = a[2]; most = 0 }
  id != "" && /%[0-9]/ { s = $0; while (match(s, /%[0-9]+/)) { n = substr(s, RSTART + 1, RLENGTH - 1) + 0; if (n > most) most = n; s = substr(s, RSTART + RLENGTH) } }
  /^\.$/ { if (id != "") print id, level, most; id = "" }' "$mc" | sort -n)
from_readme=$(sed -n '/^## The security officer.s record/,/^## /p' "$root/README.md" |
  awk -F'|' '/^\| [0-9]+ \|/ { gsub(/ /, "", $2); gsub(/ /, "", $3); n = split($5, f, ";"); print $2, $3, n }' | sort -n)
check "README's events are the message table's (message table: $(echo $from_mc | tr '\n' ' '); README: $(echo $from_readme | tr '\n' ' '))" \
  test "$from_mc" = "$from_readme"
check "the table names at least the decisions' events" grep -q "^100 information" <<<"$from_mc"
echo "event table: $pass passed, $fail failed"
[ "$fail" -eq 0 ]
