#!/usr/bin/env bash
# The folders of src/ stand in layers, lowest first: a file may include its own folder and
# the folders below it, never one above (an upward include is how a cycle starts). Reads
# every #include "..." line; prints each one that runs upward or leaves src/, and fails.
# usage: tools/layers.sh [SRC_DIR]
set -u
src=${1:-$(dirname "$0")/../src}

# Lowest first. portable/ is the stand-in for Windows that only platform/win.h may name;
# orvan_*.h are the policy headers generated at configure time.
layers=(platform com host diag classify context compose explorer addin server)

rank() {  # FOLDER -> its place, or nothing
  local i
  for i in "${!layers[@]}"; do [ "${layers[$i]}" = "$1" ] && echo "$i" && return; done
}

status=0
count=0
for dir in "$src"/*/; do
  folder=$(basename "$dir")
  own=$(rank "$folder")
  if [ -z "$own" ]; then
    echo "layers: src/$folder/ has no place in the layer order (tools/layers.sh)"
    status=1
    continue
  fi
  while IFS=: read -r file line target; do
    count=$((count + 1))
    case $target in
      orvan_*.h) continue ;;
      portable/*)
        [ "$folder" = platform ] && continue
        echo "layers: ${file#"$src"/}:$line includes $target: only platform/ names the stand-in for Windows"
        status=1
        continue ;;
    esac
    to=${target%%/*}
    there=$(rank "$to")
    if [ "$to" = "$target" ] || [ -z "$there" ]; then
      echo "layers: ${file#"$src"/}:$line includes $target, which is not in src/"
      status=1
    elif [ "$there" -gt "$own" ]; then
      echo "layers: ${file#"$src"/}:$line includes $target: $to/ stands above $folder/"
      status=1
    fi
  done < <(grep -rn '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "$dir" |
           sed 's/^\([^:]*\):\([0-9]*\):[^"]*"\([^"]*\)".*/\1:\2:\3/')
done
if [ "$status" -eq 0 ]; then
  order=$(printf ' < %s' "${layers[@]}")
  echo "layers: $count includes in src/, none upward (${order:3})"
fi
exit $status
