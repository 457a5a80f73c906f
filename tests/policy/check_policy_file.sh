#!/usr/bin/env bash
# The policy file is checked by the kinds of the option table: every option takes its own
# default back, and each kind refuses a value not of it, naming the line.
# usage: check_policy_file.sh SOURCE_ROOT
set -u
root=$1
CHECK_LABEL="policy file"
. "$root/tests/lib/check.sh"
file=$(mktemp)
trap 'rm -f "$file"' EXIT
reads() {  # LINE...: the checker's verdict on a file of these lines ("" when it takes them)
  printf '%s\n' "$@" >"$file"
  "$root/tools/policy.sh" "$file" 2>&1 >/dev/null | sed "s|^$file:||"
}

check "every option takes its own default back" bash -c "'$root/tools/policy.sh' '$root/cmake/default.policy' >/dev/null"
while IFS='|' read -r line expected; do
  check "$line: ${expected:-taken}" test "$(reads "$line")" = "$expected"
done <<'CASES'
ORVAN_SHOW_LABEL=yes|
ORVAN_SHOW_LABEL=maybe|1: ORVAN_SHOW_LABEL is ON or OFF, not 'maybe'
ORVAN_BODY_MARK_PLACES=4|1: ORVAN_BODY_MARK_PLACES is 0, 1, 2 or 3, not '4'
ORVAN_EXTERNAL_RULE=allow|1: ORVAN_EXTERNAL_RULE is warn or block, not 'allow'
ORVAN_EXTERNAL_MAX_LEVEL=33|1: ORVAN_EXTERNAL_MAX_LEVEL is a number from 0 to 32, not '33'
ORVAN_MIN_MARK_LEVEL=5|1: ORVAN_MIN_MARK_LEVEL 5 is beyond the 3 levels
ORVAN_INTERNAL_DOMAINS=acme.example; sub.acme.example|
ORVAN_INTERNAL_DOMAINS=acme example|1: ORVAN_INTERNAL_DOMAINS is mail domains separated by ';' (letters, digits, hyphens and dots), not 'acme example'
ORVAN_ORGANISATION=Acme_Corp|1: ORVAN_ORGANISATION goes into the header name X-Acme_Corp-classification: 1 to 107 letters, digits or hyphens
ORVAN_LEVELS=PUBLIC;SECRET//REL TO USA, GBR|
ORVAN_LEVELS=;;|1: ORVAN_LEVELS names no level
ORVAN_TOOLTIP=Klassifizierung (Acme)|
ORVAN_PACKAGE_VERSION=256.0.0|1: ORVAN_PACKAGE_VERSION '256.0.0' is beyond what Windows Installer compares (255.255.65535)
CASES
echo "policy file: $pass passed, $fail failed"
[ "$fail" -eq 0 ]
