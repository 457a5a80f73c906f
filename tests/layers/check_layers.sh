#!/usr/bin/env bash
# The layer order of src/ holds, and the check sees what breaks it: an include that runs
# upward, a folder the order does not name, and the stand-in for Windows named outside
# platform/.
# usage: check_layers.sh SOURCE_ROOT
set -u
root=$1
CHECK_LABEL="layers"
. "$root/tests/lib/check.sh"
layers=$root/tools/layers.sh

check "src/ includes run downward only" "$layers" "$root/src"

copy=$(mktemp -d)
trap 'rm -rf "$copy"' EXIT
broken() {  # FILE LINE: a copy of src/ with LINE added to FILE; prints the check's report
  rm -rf "$copy/src" && cp -r "$root/src" "$copy/src"
  printf '%s\n' "$2" >>"$copy/src/$1"
  "$layers" "$copy/src"
}
out=$(broken context/addin_context.h '#include "compose/item_handler.h"')
check "an upward include fails, naming it" grep -q 'context/addin_context.h:[0-9]* includes compose/item_handler.h: compose/ stands above context/' <<<"$out"
out=$(broken classify/marking.cpp '#include "sim/world.h"')
check "an include from outside src/ fails" grep -q 'includes sim/world.h, which is not in src/' <<<"$out"
out=$(broken host/host_guard.h '#include "portable/registry.h"')
check "the stand-in named outside platform/ fails" grep -q 'only platform/ names the stand-in' <<<"$out"
rm -rf "$copy/src" && cp -r "$root/src" "$copy/src" && mkdir "$copy/src/extra" && touch "$copy/src/extra/a.h"
check "a folder without a place fails" bash -c "! '$layers' '$copy/src' >/dev/null"
echo "layers: $pass passed, $fail failed"
[ "$fail" -eq 0 ]
