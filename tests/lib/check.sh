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
