#!/usr/bin/env bash
# Reads an administrator's policy file over the standard product's (cmake/default.policy)
# and writes the whole effective policy, checked: every name known, every value of the kind
# the option table's "#@" line gives it (the kinds Group Policy checks too), texts in UTF-8
# (any language: the string table is compiled as Unicode). A fault is one line naming the
# file and line, and nothing is written.
# usage: tools/policy.sh [POLICY_FILE] > EFFECTIVE   (no file: the standard product)
set -u
top=$(cd "$(dirname "$0")/.." && pwd)
defaults="$top/cmake/default.policy"
file=${1:-}

declare -A value origin kind
names=()
pending=""
while IFS= read -r line || [ -n "$line" ]; do
  # "#@ Name KIND | Title | Explanation" declares the kind of the option that follows.
  if [[ $line =~ ^#@\ [A-Za-z]+\ ([^|]*[^|\ ])\ *\| ]]; then
    pending=${BASH_REMATCH[1]}
    continue
  fi
  [[ $line =~ ^([A-Z0-9_]+)=(.*)$ ]] || continue
  names+=("${BASH_REMATCH[1]}")
  value[${BASH_REMATCH[1]}]=${BASH_REMATCH[2]}
  kind[${BASH_REMATCH[1]}]=${pending:-text}
  pending=""
done <"$defaults"
# The one option with no Group Policy value of its own: the packages' version.
kind[ORVAN_PACKAGE_VERSION]=version

fail() {
  echo "$file:$1: $2" >&2
  exit 2
}

# The values V of a kind "choice V=Label,..." or "pick V=Label,...".
choices() { sed 's/^[a-z]* //; s/=[^,]*//g; s/,/ /g' <<<"$1"; }
one_of() {  # WORDS: "a, b or c"
  local -a w
  read -r -a w <<<"$1"
  local n=${#w[@]}
  if [ "$n" -eq 1 ]; then echo "${w[0]}"; else
    local IFS=,
    echo "${w[*]:0:n-1}" | sed 's/,/, /g; s/$/ or '"${w[n-1]}"'/'
  fi
}

# Checks value v of option name on line n by the kind the option table gives it, and sets
# v to the value as written to the build (a switch as ON or OFF).
check_value() {  # N NAME
  local n=$1 name=$2 k=${kind[$2]}
  case $k in
    flag)
      case ${v^^} in
        ON | TRUE | YES | 1) v=ON ;;
        OFF | FALSE | NO | 0) v=OFF ;;
        *) fail $n "$name is ON or OFF, not '$v'" ;;
      esac ;;
    choice* | pick*)
      local c
      for c in $(choices "$k"); do [ "$v" = "$c" ] && return; done
      fail $n "$name is $(one_of "$(choices "$k")"), not '$v'" ;;
    number\ * | level\ *)
      local min max
      read -r _ min max <<<"$k"
      [[ $v =~ ^[0-9]{1,9}$ ]] && ((10#$v >= min && 10#$v <= max)) || fail $n "$name is a number from $min to $max, not '$v'" ;;
    domains)
      [[ $v =~ ^[[:space:]]*([@.]?[A-Za-z0-9-]+(\.[A-Za-z0-9-]+)*[[:space:]]*([;,][[:space:]]*[@.]?[A-Za-z0-9-]+(\.[A-Za-z0-9-]+)*[[:space:]]*)*)?$ ]] ||
        fail $n "$name is mail domains separated by ';' (letters, digits, hyphens and dots), not '$v'" ;;
    list)
      [[ $v == *[[:cntrl:]]* ]] && fail $n "$name holds a control character"
      printf '%s' "$v" | iconv -f UTF-8 -t UTF-8 >/dev/null 2>&1 || fail $n "$name is not UTF-8 text"
      [ "${#v}" -le 1023 ] || fail $n "$name is longer than 1023 characters" ;;
    colors)
      # RFC 7444's colours: #RRGGBB, the 16 HTML colour names and orange (fuchsia spelt
      # either way).
      local color='[[:space:]]*(#[0-9A-Fa-f]{6}|aqua|black|blue|fuchsia|fuschia|gray|green|lime|maroon|navy|olive|orange|purple|red|silver|teal|white|yellow)[[:space:]]*'
      local pair
      local -a pairs
      IFS=';' read -r -a pairs <<<"$v"
      for pair in "${pairs[@]}"; do
        [ -z "$pair" ] || [[ ${pair,,} =~ ^$color/$color$ ]] || fail $n "$name: '$pair' is no TEXT/BACKGROUND pair of colours"
      done ;;
    numbers)
      local number
      local -a numbers
      IFS=';' read -r -a numbers <<<"$v"
      for number in "${numbers[@]}"; do
        number=${number//[[:space:]]/}
        [ -z "$number" ] || { [[ $number =~ ^(0|[1-9][0-9]{0,2})$ ]] && ((number <= 256)); } ||
          fail $n "$name: '$number' is no number from 0 to 256"
      done ;;
    partners)
      local entry
      local -a entries
      IFS=';' read -r -a entries <<<"$v"
      for entry in "${entries[@]}"; do
        [[ $entry =~ ^[[:space:]]*$ ]] ||
          [[ $entry =~ ^[[:space:]]*\{?[0-9A-Fa-f]{8}(-[0-9A-Fa-f]{4}){3}-[0-9A-Fa-f]{12}\}?[[:space:]]*=[[:space:]]*[^[:space:]] ]] ||
          fail $n "$name: '$entry' is no GUID=LEVEL pair"
      done ;;
    oid)
      [ -z "$v" ] || { [[ $v =~ ^([0-2])\.(0|[1-9][0-9]{0,8})(\.(0|[1-9][0-9]{0,8}))*$ ]] &&
        { [ "${BASH_REMATCH[1]}" = 2 ] || ((BASH_REMATCH[2] < 40)); }; } ||
        fail $n "$name is an object identifier in dotted decimal (such as 1.3.6.1.4.1.99999.1), not '$v'" ;;
    word)
      [[ $v =~ ^[A-Za-z0-9-]{1,107}$ ]] ||
        fail $n "$name goes into the header name X-$v-classification: 1 to 107 letters, digits or hyphens" ;;
    version)
      if [ -n "$v" ]; then
        [[ $v =~ ^([0-9]+)\.([0-9]+)\.([0-9]+)$ ]] || fail $n "$name is MAJOR.MINOR.BUILD, not '$v'"
        ((10#${BASH_REMATCH[1]} <= 255 && 10#${BASH_REMATCH[2]} <= 255 && 10#${BASH_REMATCH[3]} <= 65535)) ||
          fail $n "$name '$v' is beyond what Windows Installer compares (255.255.65535)"
      fi ;;
    text | levels)  # texts of the string table
      [ -n "$v" ] || fail $n "$name is empty (a missing text would show as 'StringID ... not found')"
      [[ $v == *[[:cntrl:]]* ]] && fail $n "$name holds a control character"
      printf '%s' "$v" | iconv -f UTF-8 -t UTF-8 >/dev/null 2>&1 || fail $n "$name is not UTF-8 text"
      [ "${#v}" -le 1023 ] || fail $n "$name is longer than 1023 characters"
      [ "$k" = levels ] || return 0
      local -a levels
      IFS=';,' read -r -a levels <<<"$v"
      local count=0 level chars
      for level in "${levels[@]}"; do
        [ -z "$level" ] && continue
        count=$((count + 1))
        # Characters, not bytes: a name in any language.
        chars=$(printf '%s' "$level" | iconv -f UTF-8 -t UTF-16LE | wc -c)
        [ $((chars / 2)) -le 58 ] || fail $n "level '$level' is longer than 58 characters (the header value holds 63)"
      done
      [ $count -gt 0 ] || fail $n "$name names no level"
      [ $count -le 32 ] || fail $n "$name names $count levels; at most 32" ;;
    *) fail $n "$name has the kind '$k', which this checker does not know (cmake/default.policy)" ;;
  esac
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
    check_value $n "$name"
    value[$name]=$v
  done <"$file"
  # A level's number must name one of the levels.
  IFS=';,' read -r -a levels <<<"${value[ORVAN_LEVELS]}"
  count=0
  for level in "${levels[@]}"; do [ -n "$level" ] && count=$((count + 1)); done
  for name in "${names[@]}"; do
    [[ ${kind[$name]} == "level "* ]] || continue
    [ "${value[$name]}" -le $count ] ||
      fail "${origin[$name]:-${origin[ORVAN_LEVELS]}}" "$name ${value[$name]} is beyond the $count levels"
  done
fi

for name in "${names[@]}"; do
  printf '%s=%s\n' "$name" "${value[$name]}"
done
