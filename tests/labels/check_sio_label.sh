#!/usr/bin/env bash
# What leaves under StandardLabel=xml and =ess, read by readers no one here wrote: Python's
# email package takes the SIO-Label field apart (RFC 2231 continuations and extended form),
# libxml2 validates the decoded XML label against the label's structure, and OpenSSL's
# ASN.1 parser reads the ESS label.
# usage: check_sio_label.sh ORVAN_SIM SOURCE_ROOT
set -u
sim=$(realpath "$1")
root=$(realpath "$2")
CHECK_LABEL="SIO-Label"
. "$root/tests/lib/check.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
here="$root/tests/labels"

# A REGEDIT4 file is in the ANSI code page (Windows-1252), as regedit writes it.
iconv -f UTF-8 -t WINDOWS-1252 >"$work/registry.reg" <<'REG'
REGEDIT4

[HKEY_LOCAL_MACHINE\SOFTWARE\Policies\Orvan\Classify]
"StandardLabel"="xml"
"LabelPolicyIdentifier"="ACME & <Partners>"
"LabelMarkings"="ACME PUBLIC;;ACME SECRET – ÉTÉ"
"LabelClassifications"="PUBLIC;RESTRICTED"
"LabelColors"="black/yellow; #00ff00 / Fuschia"
REG
cat >"$work/day.txt" <<'SCRIPT'
compose plain "Lunch" "Noon?"
choose 1
send
compose html "Plans" "<p>The plans.</p>"
choose 3
choose 2
send
compose plain "Merger" "The terms."
choose 3
send
program-send --meeting "Board" "Agenda."
SCRIPT
check "orvan-sim plays the day" "$sim" run "$work/day.txt" --outlook today --outbox "$work/out" --registry "$work/registry.reg" --quiet
check "Python's email package reads one field from each message, no header line past 78 characters" \
  python3 "$here/read_sio_label.py" "$work"/out/message-1.eml "$work"/out/message-2.eml "$work"/out/message-3.eml "$work"/out/message-4.eml
python3 "$here/read_sio_label.py" "$work"/out/*.eml >"$work/fields" 2>/dev/null
expected=$(printf '%s\t%s\t%s\t%s\t%s\n' \
  message-1.eml "ACME PUBLIC" black yellow :xml \
  message-2.eml CONFIDENTIAL "#00FF00" "#FF00FF" :xml \
  message-3.eml "ACME SECRET – ÉTÉ" white red :xml \
  message-4.eml "ACME PUBLIC" black yellow :xml)
check "markings and colours by level (the level changed before Send counts; UTF-8 in the extended form): $(tr '\t\n' '| ' <"$work/fields")" \
  test "$(cat "$work/fields")" = "$expected"
for label in "$work"/out/*.label; do
  check "$(basename "$label") is a valid ADatP-4774 label" xmllint --noout --schema "$here/confidentiality-label.xsd" "$label"
done
value() { xmllint --xpath "string(//*[local-name()='$2'])" "$1" 2>/dev/null | tr -d '\n'; }
check "the label names the policy" test "$(value "$work/out/message-3.eml.label" PolicyIdentifier)" = "ACME & <Partners>"
check "and each level's classification" \
  test "$(for n in 1 2 3; do value "$work/out/message-$n.eml.label" Classification; echo; done)" = "$(printf 'PUBLIC\nRESTRICTED\nSECRET\n')"
# The ESS label: the policy's OID and each level's number (its own, else its name's).
cat >"$work/ess.reg" <<'REG'
REGEDIT4

[HKEY_LOCAL_MACHINE\SOFTWARE\Policies\Orvan\Classify]
"StandardLabel"="ess"
"LabelPolicyOid"="1.3.6.1.4.1.99999.1"
"LabelClassValues"=";7"
REG
check "orvan-sim plays the day under ess" "$sim" run "$work/day.txt" --outlook today --outbox "$work/ess" --registry "$work/ess.reg" --quiet
python3 "$here/read_sio_label.py" "$work"/ess/*.eml >"$work/ess-fields" 2>"$work/ess-errors"
check "Python's email package reads the ess fields: $(cat "$work/ess-errors")" test ! -s "$work/ess-errors"
check "each of type :ess" test "$(cut -f5 "$work/ess-fields" | sort -u)" = ":ess"
asn1() { openssl asn1parse -inform DER -in "$work/ess/message-$1.eml.label" 2>&1 | sed 's/^ *[0-9]*:d=\([0-9]\).*prim: *\([A-Z ]*[A-Z]\) *:/\1 \2 /'; }
for n in 1 2 3; do
  want=$(printf '0 cons: SET\n1 OBJECT 1.3.6.1.4.1.99999.1\n1 INTEGER %s' "$(sed -n "${n}p" <<<$'01\n07\n04')")
  got=$(asn1 $n | sed 's/^ *[0-9]*:d=0 *hl=[0-9]* l= *[0-9]* /0 /; s/ *$//')
  check "OpenSSL reads message $n's ESS label: $(tr '\n' '|' <<<"$got")" test "$got" = "$want"
done
echo "SIO-Label: $pass passed, $fail failed"
[ "$fail" -eq 0 ]
