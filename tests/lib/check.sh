# Shared by the shell checks: check WHAT COMMAND... counts a pass or names the failure.
# The including script sets CHECK_LABEL and reads $pass and $fail at the end.
pass=0
fail=0
check() {
  local what=$1
  shift
  if "$@"; then
    pass=$((pass + 1))
  else
    fail=$((fail + 1))
    echo "FAIL (${CHECK_LABEL:-check}): $what"
  fi
}

# wine_reg_query WINE ARGS...: `reg query` through Wine, asked again (up to three times)
# when it answers nothing at all: on a machine busy with emulated 32-bit Wine, Wine's reg
# tool has once died without a word, failing a check of a value that was there. Checks
# that a key is gone run reg themselves and read its exit status instead.
wine_reg_query() {
  local wine=$1 out try
  shift
  for try in 1 2 3; do
    out=$("$wine" reg query "$@" 2>/dev/null | tr -d '\r')
    [ -n "$out" ] && break
  done
  printf '%s\n' "$out"
}
