#!/usr/bin/env bash
# README's two option tables agree with the one table of options, cmake/default.policy:
# the policy file's table names every option and its default, the Group Policy table every
# value its "#@" lines declare, and neither names one the table does not hold.
# usage: check_option_tables.sh SOURCE_ROOT
set -u
root=$1
CHECK_LABEL="option tables"
. "$root/tests/lib/check.sh"
policy=$root/cmake/default.policy
readme=$root/README.md

# The table's options and their defaults, and its Group Policy values.
declare -A default=()
while IFS= read -r line; do
  name=${line%%=*}
  default[$name]=${line#*=}
done < <(grep -E '^ORVAN_[A-Z0-9_]+=' "$policy" | grep -v '^ORVAN_STRING_')
values=$(sed -n 's/^#@ \([A-Za-z]*\) .*/\1/p' "$policy" | sort)

# README: the rows of a table whose header starts with HEADER, their first cells' names.
rows() {  # HEADER
  awk -v header="$1" '
    index($0, header) == 1 { inside = 1; next }
    inside && !/^ *\|/ { inside = 0 }
    inside && !/^ *\|---/ { print }' "$readme"
}
names_in_first_cell() { cut -d'|' -f2 | grep -o '`[A-Za-z0-9_]*`' | tr -d '`'; }

file_rows=$(rows '| option | default | meaning |')
file_names=$(names_in_first_cell <<<"$file_rows" | sort)
check "the policy file's table names every option once (README: $(wc -l <<<"$file_names"), table: ${#default[@]})" \
  test "$file_names" = "$(printf '%s\n' "${!default[@]}" | sort)"
# A row that names one option gives its default as the table does.
while IFS= read -r row; do
  first=$(cut -d'|' -f2 <<<"$row" | grep -o '`[A-Za-z0-9_]*`' | tr -d '`')
  [ "$(wc -l <<<"$first")" -eq 1 ] || continue
  given=$(cut -d'|' -f3 <<<"$row" | sed 's/^ //; s/ $//')
  expected=${default[$first]-}
  case $given in
    '(none)') check "$first has no default" test -z "$expected" ;;
    '`'*'`') check "$first defaults to $expected" test "$given" = "\`$expected\`" ;;
  esac
done <<<"$file_rows"

gp_names=$(rows '  | value | type | what it sets |' | names_in_first_cell | sort)
check "the Group Policy table names every value of the \"#@\" lines once" test "$gp_names" = "$values"
echo "option tables: $pass passed, $fail failed"
[ "$fail" -eq 0 ]
