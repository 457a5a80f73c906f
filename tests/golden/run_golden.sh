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

for example in demo reply-chain required-selection moved-bar multilingual today strict-day guards labels-day; do
  flags=""
  out="$work/$example"
  mkdir -p "$out/outbox"
  [ "$example" = required-selection ] && flags="--require-selection"
  [ "$example" = today ] && flags="--outlook today"
  # Group Policy's values in the registry; orvan-sim writes its registry back, so a copy.
  case $example in strict-day | guards)
    cp examples/strict.reg "$out/registry.reg"
    flags="--outlook today --registry $out/registry.reg" ;;
  labels-day)
    cp examples/labels.reg "$out/registry.reg"
    flags="--registry $out/registry.reg" ;;
  esac
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

# The security officer's record under each AuditDetail: exactly the events README's table
# promises, and a reason's dialog answered.
for detail in none decisions full; do
  out="$work/record-$detail"
  mkdir -p "$out/outbox"
  { cat examples/record.reg; echo "\"AuditDetail\"=\"$detail\""; } >"$out/registry.reg"
  if "$sim" run examples/record.txt --outbox "$out/outbox" --registry "$out/registry.reg" >"$out/transcript" 2>"$out/errors"; then ok; else
    bad "record under $detail exited with an error"
    cat "$out/errors"
  fi
  compare "examples/expected/record-$detail.transcript" "$out/transcript" "record under $detail"
done

# Office in French and German: the add-in's boxes, bar, ribbon and reason dialog in that
# language; the mail that leaves, marks and all, word for word the English day's.
for language in fr de; do
  out="$work/strict-day-$language"
  mkdir -p "$out/outbox"
  cp examples/strict.reg "$out/registry.reg"
  if "$sim" run examples/strict-day.txt --outbox "$out/outbox" --outlook today --registry "$out/registry.reg" \
    --ui-language $language >"$out/transcript" 2>"$out/errors"; then ok; else
    bad "strict-day in $language exited with an error"
    cat "$out/errors"
  fi
  compare "examples/expected/strict-day.$language.transcript" "$out/transcript" "strict-day in $language"
  for eml in "$out"/outbox/*.eml; do
    [ -e "$eml" ] || continue
    UPDATE=0 compare "examples/expected/strict-day/$(basename "$eml")" "$eml" "strict-day in $language $(basename "$eml")"
  done
  out="$work/record-$language"
  mkdir -p "$out/outbox"
  cp examples/record.reg "$out/registry.reg"
  "$sim" run examples/record.txt --outbox "$out/outbox" --registry "$out/registry.reg" --ui-language $language \
    >"$out/transcript" 2>"$out/errors" && ok || bad "record in $language exited with an error"
  compare "examples/expected/record.$language.transcript" "$out/transcript" "record in $language"
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

# The page of a refused Send shows the message box; a received message's page says so.
"$sim" run examples/required-selection.txt --require-selection --html "$work/refused" --quiet >/dev/null 2>&1
grep -q "Please select Classification level" "$work/refused/window-1.html" && ok || bad "page lacks the refusal's message box"
printf 'receive examples/budget.eml\nopen 1\n' >"$work/received.txt"
"$sim" run "$work/received.txt" --html "$work/received" --quiet >/dev/null 2>&1
grep -q "Message (received)" "$work/received/window-1.html" && ok || bad "a received message's page is not titled as received"

# Today's Outlook draws the add-in's group on the ribbon of the page.
"$sim" run examples/today.txt --outlook today --html "$work/today" --quiet >/dev/null 2>&1
grep -q 'class="ribbon"><span class="tab">TabNewMailMessage</span>' "$work/today/window-1.html" && ok ||
  bad "today's page lacks the ribbon group"

# The command line as people expect it.
"$sim" --help >"$work/help.out" 2>&1 && grep -q "^usage: orvan-sim" "$work/help.out" && ok || bad "--help"
"$sim" --frobnicate >/dev/null 2>"$work/bad.err"
[ $? -eq 2 ] && grep -q "orvan-sim: unknown argument '--frobnicate'" "$work/bad.err" && ok || bad "a bad argument is not named"
"$sim" run examples/demo.txt --outbox "$work/new/outbox" --html "$work/new/pages" --quiet >/dev/null 2>&1
[ -f "$work/new/outbox/message-1.eml" ] && [ -f "$work/new/pages/window-1.html" ] && ok || bad "output folders are not made"
touch "$work/in-the-way"
"$sim" run examples/demo.txt --outbox "$work/in-the-way/outbox" >"$work/way.out" 2>"$work/way.err"
[ $? -eq 2 ] && grep -q "cannot make the folder" "$work/way.err" && ! grep -q "sent as" "$work/way.out" && ok ||
  bad "an outbox that cannot be made is not refused"
printf 'REGEDIT4\nthis is no registry\n' >"$work/broken.reg"
cp "$work/broken.reg" "$work/broken.before"
"$sim" run examples/moved-bar.txt --registry "$work/broken.reg" --quiet >/dev/null 2>"$work/reg.err"
[ $? -eq 1 ] && cmp -s "$work/broken.reg" "$work/broken.before" && ok || bad "a malformed .reg file was overwritten"
printf 'compose plain "At the prompt" "typed"\nshutdown\nquit\nsend\n' | "$sim" >"$work/prompt.out" 2>&1
[ $? -eq 0 ] && ! grep -q "> compose" "$work/prompt.out" && grep -q "the session is over" "$work/prompt.out" &&
  grep -q "orvan-sim (shut down)> $" "$work/prompt.out" && ok || bad "the prompt echoes, or does not end or say the session is over"

echo "golden: $pass passed, $fail failed"
[ "$fail" -eq 0 ]
