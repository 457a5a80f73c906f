# The signatures of ./dev dist --sign, checked as Windows would check them: a throwaway root
# and code-signing certificate made here, osslsigncode's verification against that root.
# Sourced by tests/policy/check_policy.sh, which builds the packages once each.
#   make_test_certificates DIR   DIR/root.pem, DIR/signer.pfx (code signing), DIR/server.pfx
#                                (no code signing), both with the password in DIR/password
#   check_unsigned               nothing in dist/ carries a signature
#   check_signed REPORT          every file in dist/ verifies, the packages hold the signed
#                                DLLs, one changed byte fails, REPORT names each signer

make_test_certificates() {  # DIR
  local d=$1
  mkdir -p "$d"
  printf 'test only, 7 words' >"$d/password"
  openssl req -x509 -newkey rsa:2048 -nodes -keyout "$d/root.key" -out "$d/root.pem" -days 2 \
    -subj "/CN=Orvan Test Root" -addext "basicConstraints=critical,CA:TRUE" \
    -addext "keyUsage=critical,keyCertSign,cRLSign" 2>/dev/null
  local name usage
  for name in signer server; do
    usage=codeSigning
    [ $name = server ] && usage=serverAuth
    openssl req -newkey rsa:2048 -nodes -keyout "$d/$name.key" -out "$d/$name.csr" \
      -subj "/O=Orvan Test/CN=Orvan Test $name" 2>/dev/null
    printf 'basicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature\nextendedKeyUsage=%s\n' $usage >"$d/$name.ext"
    openssl x509 -req -in "$d/$name.csr" -CA "$d/root.pem" -CAkey "$d/root.key" -CAcreateserial \
      -out "$d/$name.pem" -days 1 -extfile "$d/$name.ext" 2>/dev/null
    openssl pkcs12 -export -inkey "$d/$name.key" -in "$d/$name.pem" -certfile "$d/root.pem" \
      -out "$d/$name.pfx" -passout file:"$d/password"
  done
}

verifies() { osslsigncode verify -CAfile "$1" -in "$2" >/dev/null 2>&1; }

signed_files=(dist/x86/OrvanClassify.dll dist/x64/OrvanClassify.dll dist/OrvanClassify-x86.msi dist/OrvanClassify-x64.msi)

check_unsigned() {
  local f
  for f in "${signed_files[@]}"; do
    check "without --sign, $f carries no signature" bash -c "! osslsigncode verify -in '$f' >/dev/null 2>&1"
  done
}

check_signed() {  # REPORT ROOT LABEL
  local report=$1 root=$2 label=$3 f arch inside
  for f in "${signed_files[@]}"; do
    check "$label: $f verifies against the organisation's root" verifies "$root" "$f"
    check "$label: dist names its signer" grep -qF "signed $f: /O=Orvan Test/CN=Orvan Test signer" <<<"$report"
  done
  for arch in x86 x64; do
    inside=$(mktemp -d)
    msiextract -C "$inside" "dist/OrvanClassify-$arch.msi" >/dev/null
    check "$label: the $arch package holds the signed DLL" cmp -s "$(find "$inside" -name OrvanClassify.dll)" "dist/$arch/OrvanClassify.dll"
    rm -rf "$inside"
  done
  changed=$(mktemp)
  cp dist/x64/OrvanClassify.dll "$changed"
  printf '\x90' | dd of="$changed" bs=1 seek=4200 conv=notrunc status=none
  check "$label: the unchanged copy verifies" verifies "$root" dist/x64/OrvanClassify.dll
  check "$label: one changed byte fails verification" bash -c "! osslsigncode verify -CAfile '$root' -in '$changed' >/dev/null 2>&1"
  rm -f "$changed"
}
