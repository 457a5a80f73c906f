#!/usr/bin/env bash
# Reads an administrator's policy file over the standard product's (cmake/default.policy)
# and writes the whole effective policy, checked: every name known, every value of its
# kind, texts in UTF-8 (any language: the string table is compiled as Unicode). A fault is one line naming
# the file and line, and nothing is written.
# usage: tools/policy.sh [POLICY_FILE] > EFFECTIVE   (no file: the standard product)
set -u
top=$(cd "$(dirname "$0")/.." && pwd)
defaults="$top/cmake/default.policy"
file=${1:-}

declare -A value origin
names=()
while IFS= read -r line || [ -n "$line" ]; do
  [[ $line =~ ^([A-Z0-9_]+)=(.*)$ ]] || continue
  names+=("${BASH_REMATCH[1]}")
  value[${BASH_REMATCH[1]}]=${BASH_REMATCH[2]}
done <"$defaults"

fail() {
  echo "$file:$1: $2" >&2
  exit 2
}

if [ -n "$file" ]; then
  [ -r "$file" ] || { echo "policy: cannot read '$file'" >&2; exit 2; }
  n=0
  while IFS= read -r line || [ -n "$line" ]; do
    n=$((n + 1))
    line=${line%$'\r'}
    [[ $line =~ ^[[:space:]]*(#|$) ]] && continue
    [[ $line =~ ^([A-Za-z0-9_]+)=(.*)$ ]] || fail $n "expected NAME=VALUE, not '$line'"
    name=${BASH_REMATCH[1]} v=${BASH_REMATCH[2]}
    [ -n "${value[$name]+set}" ] || fail $n "unknown name '$name' (the names are those of cmake/default.policy)"
    [ -z "${origin[$name]:-}" ] || fail $n "$name is given twice (first on line ${origin[$name]})"
    origin[$name]=$n
    case $name in
      ORVAN_SUBJECT_USES_MIN_LEVEL | ORVAN_DISABLED | ORVAN_SHOW_LABEL | ORVAN_SHOW_FOOTER | ORVAN_REQUIRE_SELECTION | ORVAN_LOG_ENABLED)
        case ${v^^} in
          ON | TRUE | YES | 1) v=ON ;;
          OFF | FALSE | NO | 0) v=OFF ;;
          *) fail $n "$name is ON or OFF, not '$v'" ;;
        esac ;;
      ORVAN_UI)
        [[ $v =~ ^(both|commandbar|ribbon)$ ]] || fail $n "$name is both, commandbar or ribbon, not '$v'" ;;
      ORVAN_DOWNGRADE_RULE)
        [[ $v =~ ^(allow|warn|block)$ ]] || fail $n "$name is allow, warn or block, not '$v'" ;;
      ORVAN_EXTERNAL_RULE)
        [[ $v =~ ^(warn|block)$ ]] || fail $n "$name is warn or block, not '$v'" ;;
      ORVAN_EXTERNAL_MAX_LEVEL)
        [[ $v =~ ^[0-9]{1,2}$ ]] || fail $n "$name is a level number from 0 (no rule) to 99, not '$v'" ;;
      ORVAN_INTERNAL_DOMAINS)
        [[ $v =~ ^[[:space:]]*([@.]?[A-Za-z0-9-]+(\.[A-Za-z0-9-]+)*[[:space:]]*([;,][[:space:]]*[@.]?[A-Za-z0-9-]+(\.[A-Za-z0-9-]+)*[[:space:]]*)*)?$ ]] ||
          fail $n "$name is mail domains separated by ';' (letters, digits, hyphens and dots), not '$v'" ;;
      ORVAN_SUBJECT_MARK_MODE)
        [[ $v =~ ^[012]$ ]] || fail $n "$name is 0 (no mark), 1 (prefix) or 2 (suffix), not '$v'" ;;
      ORVAN_BODY_MARK_PLACES | ORVAN_PROPERTY_KINDS)
        [[ $v =~ ^[0-3]$ ]] || fail $n "$name is 0, 1, 2 or 3, not '$v'" ;;
      ORVAN_MIN_MARK_LEVEL)
        [[ $v =~ ^[0-9]{1,2}$ ]] || fail $n "$name is a level number from 0 to 99, not '$v'" ;;
      ORVAN_DEFAULT_LEVEL)
        [[ $v =~ ^[1-9][0-9]?$ ]] || fail $n "$name is a level number from 1, not '$v'" ;;
      ORVAN_PACKAGE_VERSION)
        if [ -n "$v" ]; then
          [[ $v =~ ^([0-9]+)\.([0-9]+)\.([0-9]+)$ ]] || fail $n "$name is MAJOR.MINOR.BUILD, not '$v'"
          ((10#${BASH_REMATCH[1]} <= 255 && 10#${BASH_REMATCH[2]} <= 255 && 10#${BASH_REMATCH[3]} <= 65535)) ||
            fail $n "$name '$v' is beyond what Windows Installer compares (255.255.65535)"
        fi ;;
      ORVAN_ORGANISATION)
        [[ $v =~ ^[A-Za-z0-9-]{1,107}$ ]] ||
          fail $n "$name goes into the header name X-$v-classification: 1 to 107 letters, digits or hyphens" ;;
      *)  # texts of the string table
        [ -n "$v" ] || fail $n "$name is empty (a missing text would show as 'StringID ... not found')"
        [[ $v == *[[:cntrl:]]* ]] && fail $n "$name holds a control character"
        printf '%s' "$v" | iconv -f UTF-8 -t UTF-8 >/dev/null 2>&1 ||
          fail $n "$name is not UTF-8 text"
        [ "${#v}" -le 1023 ] || fail $n "$name is longer than 1023 characters"
        if [ "$name" = ORVAN_LEVELS ]; then
          IFS=';,' read -r -a levels <<<"$v"
          count=0
          for level in "${levels[@]}"; do
            [ -z "$level" ] && continue
            count=$((count + 1))
            # Characters, not bytes: a name in any language.
            chars=$(printf '%s' "$level" | iconv -f UTF-8 -t UTF-16LE | wc -c)
            [ $((chars / 2)) -le 58 ] || fail $n "level '$level' is longer than 58 characters (the header value holds 63)"
          done
          [ $count -gt 0 ] || fail $n "$name names no level"
        fi ;;
    esac
    value[$name]=$v
  done <"$file"
  # The default level must be one of the levels.
  IFS=';,' read -r -a levels <<<"${value[ORVAN_LEVELS]}"
  count=0
  for level in "${levels[@]}"; do [ -n "$level" ] && count=$((count + 1)); done
  [ "${value[ORVAN_DEFAULT_LEVEL]}" -le $count ] ||
    fail "${origin[ORVAN_DEFAULT_LEVEL]:-${origin[ORVAN_LEVELS]}}" "ORVAN_DEFAULT_LEVEL ${value[ORVAN_DEFAULT_LEVEL]} is beyond the $count levels"
fi

for name in "${names[@]}"; do
  printf '%s=%s\n' "$name" "${value[$name]}"
done
