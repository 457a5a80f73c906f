#!/usr/bin/env bash
# README's table of events is the message table's: the same events, each at the level and in
# the category its "; level:" and "; category:" lines give (the category by its number and
# its message's text), with as many fields as its text has insertion strings.
# usage: check_event_table.sh SOURCE_ROOT
set -u
root=$1
CHECK_LABEL="event table"
. "$root/tests/lib/check.sh"
mc="$root/res/messages.mc"
# "ID LEVEL CATEGORY FIELDS" of the message table's events, and of README's rows; the
# categories' messages (ids without a level) as "ID TEXT".
from_mc=$(awk '
  /^; level: / { level = $3 }
  /^; category: / { category = $3 }
  /^MessageId=/ { split($0, a, "="); id = a[2]; most = 0; text = ""; next }
  /^(Severity|SymbolicName|Language)=/ { next }
  id != "" && /%[0-9]/ { s = $0; while (match(s, /%[0-9]+/)) { n = substr(s, RSTART + 1, RLENGTH - 1) + 0; if (n > most) most = n; s = substr(s, RSTART + RLENGTH) } }
  id != "" && !/^\.$/ { text = text $0 }
  /^\.$/ { if (id != "" && level != "") print id, level, category, most; else if (id != "") categories[id] = text
           id = ""; level = ""; category = "" }
  END { for (c in categories) print "category", c, categories[c] }' "$mc" | sort -k1,1n -k2,2n)
events_mc=$(grep -v '^category' <<<"$from_mc")
from_readme=$(sed -n '/^## The security officer.s record/,/^## /p' "$root/README.md" |
  awk -F'|' '/^\| [0-9]+ \|/ { gsub(/ /, "", $2); gsub(/ /, "", $3); split($4, c, " "); n = split($6, f, ";"); print $2, $3, c[2] == "" ? "" : c[1], n }' | sort -n)
check "README's events are the message table's (message table: $(echo $events_mc | tr '\n' ' '); README: $(echo $from_readme | tr '\n' ' '))" \
  test "$events_mc" = "$from_readme"
check "the table names at least the decisions' events" grep -q "^100 information 1 " <<<"$events_mc"
# Each category as README names it ("1 Send decision") is the message table's text.
while read -r _ id text; do
  check "category $id is \"$text\" in README" grep -q "| $id $text |" <(sed -n '/^## The security officer.s record/,/^## /p' "$root/README.md")
done < <(grep '^category' <<<"$from_mc")
# Every message in English, French and German, each with the same insertion strings.
languages=$(awk '
  /^MessageId=/ { split($0, a, "="); id = a[2] }
  /^Language=/ { split($0, a, "="); language = a[2]; fields = ""; next }
  language != "" && /^\.$/ { print id, language, fields; language = ""; next }
  language != "" { s = $0; while (match(s, /%[0-9]+/)) { fields = fields " " substr(s, RSTART, RLENGTH); s = substr(s, RSTART + RLENGTH) } }
  ' "$mc")
while read -r id; do
  given=$(awk -v id="$id" '$1 == id { print $2 }' <<<"$languages" | tr '\n' ' ')
  check "message $id is given in English, French and German (got: $given)" test "$given" = "English French German "
  fields=$(awk -v id="$id" '$1 == id { $1 = ""; $2 = ""; print }' <<<"$languages" |
    while read -r line; do tr ' ' '\n' <<<"$line" | sort -u | tr '\n' ' '; echo; done | sort -u | wc -l)
  check "message $id has the same insertion strings in each language" test "$fields" = 1
done < <(grep -o '^MessageId=[0-9]*' "$mc" | cut -d= -f2)
check "the message table is UTF-8" bash -c "iconv -f UTF-8 -t UTF-8 '$mc' >/dev/null"
count=$(grep -c '^category' <<<"$from_mc")
check "the registration names $count categories" grep -q "kEventCategoryCount = $count;" "$root/src/server/registration_table.h"
# The example subscription is well-formed, and so is the query it holds, which selects the
# source by its name.
subscription="$root/examples/orvan-subscription.xml"
check "the subscription is well-formed XML" xmllint --noout "$subscription"
query=$(xmllint --xpath "string(//*[local-name()='Query'])" "$subscription" 2>/dev/null)
check "its query is well-formed XML" xmllint --noout - <<<"$query"
check "its query selects the source's events" grep -q "Provider\[@Name='Orvan Classify'\]" <<<"$query"
echo "event table: $pass passed, $fail failed"
[ "$fail" -eq 0 ]
