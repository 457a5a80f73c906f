#!/usr/bin/env bash
# An administrator's policy package is exactly that policy: Acme's policy built over a tree
# that holds the standard one gives both DLLs Acme's string table, switches and version,
# and both packages Acme's version; ./dev dist then gives the standard policy back. A bad
# policy file is refused on one line naming it, and nothing is built. Both are signed with
# the organisation's certificate (--sign); a certificate that cannot sign is refused first.
# usage: check_policy.sh KEEP_DIR   (Acme's packages are left there for the upgrade check)
set -u
keep=$1
cd "$(dirname "$0")/../.."
CHECK_LABEL="policy"
. tests/lib/check.sh
. tests/sign/signing.sh
certificates=$(mktemp -d)
trap 'rm -rf "$certificates"' EXIT
make_test_certificates "$certificates"
strings_of() { "$2-w64-mingw32-windres" -i "$1" -O rc 2>/dev/null; }
has() { grep -qF -- "$2" <<<"$1"; }
product_version() { msiinfo export "$1" Property | tr -d '\r' | sed -n 's/^ProductVersion\t//p'; }
file_version() { msiinfo export "$1" File | tr -d '\r' | awk -F'\t' '$1 == "OrvanClassify.dll" {print $5}'; }

check "the standard packages build" bash -c "./dev dist >/dev/null"
before=$(stat -c %Y dist/x64/OrvanClassify.dll)
check_unsigned

printf 'ORVAN_LEVELS=A;B\nORVAN_COLOUR=red\n' >"$keep.bad"
error=$(./dev dist --policy "$keep.bad" 2>&1 >/dev/null)
check "an unknown name is refused with its line ($error)" test "$error" = "$keep.bad:2: unknown name 'ORVAN_COLOUR' (the names are those of cmake/default.policy)"
printf 'ORVAN_REQUIRE_SELECTION=perhaps\n' >"$keep.bad"
error=$(./dev dist --policy "$keep.bad" 2>&1 >/dev/null)
check "a bad value is refused with its line ($error)" test "$error" = "$keep.bad:1: ORVAN_REQUIRE_SELECTION is ON or OFF, not 'perhaps'"
rm -f "$keep.bad"
refused() {  # EXPECTED_LINE DIST_ARGUMENTS...: refused on that one line
  local expected=$1 error
  shift
  error=$(./dev dist "$@" 2>&1 >/dev/null)
  check "--sign refuses: $expected" test "$error" = "dev dist: $expected"
}
pfx=$certificates/signer.pfx
ORVAN_SIGN_PASSWORD="not it" refused "'$pfx' does not open with the password given (a wrong password, or no PKCS#12 file)" --sign "$pfx"
refused "the certificate in '$certificates/server.pfx' is not for code signing (its extended key usage has no Code Signing)" \
  --sign "$certificates/server.pfx" --sign-password-file "$certificates/password"
refused "cannot read the certificate file '$certificates/none.pfx'" --sign "$certificates/none.pfx"
env -u ORVAN_SIGN_PASSWORD ./dev dist --sign "$pfx" >/dev/null 2>&1
check "--sign without a password is refused" test $? = 2
check "and nothing was built" test "$(stat -c %Y dist/x64/OrvanClassify.dll)" = "$before"

report=$(ORVAN_SIGN_PASSWORD=$(cat "$certificates/password") ./dev dist --policy examples/acme.policy --sign "$pfx" 2>/dev/null)
check_signed "$report" "$certificates/root.pem" "Acme's signed packages"
check "Acme's packages build over the standard tree" test -n "$report"
check "dist says which policy and version each package carries" has "$report" "dist/OrvanClassify-x64.msi (dist/x64/OrvanClassify.dll, 64-bit Office), version 1.0.7:"
for arch in x86:i686 x64:x86_64; do
  a=${arch%%:*} m=${arch##*:}
  res=$(strings_of "dist/$a/OrvanClassify.dll" "$m")
  check "$a DLL holds Acme's levels" has "$res" '  111, "PUBLIC;INTERNAL;RESTRICTED"'
  check "$a DLL holds Acme's organisation" has "$res" '  112, "Acme"'
  check "$a DLL holds Acme's tooltip" has "$res" '  103, "Classification (Acme)"'
  check "$a DLL holds Acme's switches" has "$res" 'RequireSelection=ON'
  check "$a DLL is version 1.0.7" has "$res" 'FILEVERSION 1, 0, 7, 0'
  check "$a package is version 1.0.7" test "$(product_version "dist/OrvanClassify-$a.msi")" = 1.0.7
  check "$a File table gives the DLL's version" test "$(file_version "dist/OrvanClassify-$a.msi")" = 1.0.7.0
done
rm -rf "$keep"
cp -r dist "$keep"
# The real DLL of Acme's policy under Wine, playing Acme's day: its refusal's message box,
# and its own property names.
transcript=$(./dev demo --wine --policy examples/acme.policy examples/acme.txt 2>/dev/null)
check "Acme's DLL refuses the send with its message box" has "$transcript" 'message box "Acme Classify": Please select Classification level'
check "and the transcript names Acme's properties" has "$transcript" 'properties  MAPI-Acme-classification = 2, X-Acme-classification = "2 - INTERNAL", saved 1x' 

report=$(./dev dist --sign "$pfx" --sign-password-file "$certificates/password" 2>/dev/null)
check "the standard packages build again, signed" test -n "$report"
check_signed "$report" "$certificates/root.pem" "the standard signed packages"
for arch in x86:i686 x64:x86_64; do
  a=${arch%%:*} m=${arch##*:}
  res=$(strings_of "dist/$a/OrvanClassify.dll" "$m")
  check "$a DLL holds the standard levels" has "$res" '  111, "UNCLASSIFIED;CONFIDENTIAL;SECRET"'
  check "$a DLL holds the standard organisation" has "$res" '  112, "Orvan"'
  check "$a DLL holds the standard switches" has "$res" 'RequireSelection=OFF'
  check "$a package is version 1.0.0" test "$(product_version "dist/OrvanClassify-$a.msi")" = 1.0.0
done

echo "policy checks: $pass passed, $fail failed"
[ "$fail" -eq 0 ]
