#!/usr/bin/env bash
# Golden transcripts: each example's transcript and sent .eml files against the checked-in
# expected files (UPDATE=1 rewrites them); the error paths; the HTML page of a sent message.
# usage: run_golden.sh ORVAN_SIM   (run from anywhere; paths are the repository's)
set -u
sim=$(realpath "$1")
cd "$(dirname "$0")/../.."
pass=0
fail=0
ok() { pass=$((pass + 1)); }
bad() {
  fail=$((fail + 1))
  echo "FAIL: $*"
}
compare() {  # expected actual what
  if [ "${UPDATE:-0}" = 1 ]; then
    mkdir -p "$(dirname "$1")"
    cp "$2" "$1"
  fi
  if diff -u "$1" "$2" >/tmp/orvan-golden-diff.$$ 2>&1; then ok; else
    bad "$3 differs from $1:"
    cat /tmp/orvan-golden-diff.$$
  fi
  rm -f /tmp/orvan-golden-diff.$$
}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

for example in demo reply-chain required-selection moved-bar multilingual; do
  flags=""
  [ "$example" = required-selection ] && flags="--require-selection"
  out="$work/$example"
  mkdir -p "$out/outbox"
  if "$sim" run "examples/$example.txt" --outbox "$out/outbox" $flags >"$out/transcript" 2>"$out/errors"; then ok; else
    bad "$example exited with an error"
    cat "$out/errors"
  fi
  compare "examples/expected/$example.transcript" "$out/transcript" "$example transcript"
  for eml in "$out"/outbox/*.eml; do
    [ -e "$eml" ] || continue
    compare "examples/expected/$example/$(basename "$eml")" "$eml" "$example $(basename "$eml")"
  done
done

# Every bad line gets its one-line error and the session still shuts down cleanly.
"$sim" run tests/golden/errors.txt >"$work/errors.out" 2>"$work/errors.err"
[ $? -eq 1 ] && ok || bad "a script with errors must exit 1"
compare tests/golden/errors.expected "$work/errors.err" "error lines"
grep -q "Outlook shut down; the add-in is disconnected" "$work/errors.out" && ok || bad "no clean shutdown after errors"
"$sim" run no-such-script.txt 2>"$work/run.err"
[ $? -eq 2 ] && grep -q "orvan-sim: run: cannot read 'no-such-script.txt'" "$work/run.err" && ok || bad "unreadable script"

# The page of a sent message: the marked subject, the bar's chosen level, the marked body.
mkdir -p "$work/html"
"$sim" run examples/demo.txt --html "$work/html" --quiet >/dev/null 2>&1
page="$work/html/window-1.html"
grep -q "<b>Subject</b>\[CONFIDENTIAL\] Quarterly plans" "$page" && ok || bad "page lacks the marked subject"
grep -q "<option selected>CONFIDENTIAL</option>" "$page" && ok || bad "page lacks the selected level"
grep -q "<body><b>Classification: CONFIDENTIAL</b>" "$page" && ok || bad "page lacks the marked body"

echo "golden: $pass passed, $fail failed"
[ "$fail" -eq 0 ]
