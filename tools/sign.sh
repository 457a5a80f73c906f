# Authenticode signing of what ./dev dist builds, with osslsigncode: SHA-256, the
# organisation's PKCS#12 certificate, optionally timestamped by an RFC 3161 server.
# Sourced by ./dev:
#   sign_prepare PFX PASSWORD_FILE|"" TIMESTAMP_URL|""   checks all before anything is built
#   sign_file FILE                                        signs FILE in place, prints its signer
#   signer_of FILE                                        the subject of FILE's signer, as read back

SIGN_PFX=
SIGN_PASS=
SIGN_TIMESTAMP=

sign_refuse() {
  echo "dev dist: $*" >&2
  exit 2
}

# The certificate the PKCS#12 file holds for its key, in PEM; files exported by older
# Windows use ciphers OpenSSL 3 keeps in its legacy provider.
sign_certificate() {
  openssl pkcs12 -in "$SIGN_PFX" -passin file:"$SIGN_PASS" -nokeys -clcerts 2>/dev/null ||
    openssl pkcs12 -legacy -in "$SIGN_PFX" -passin file:"$SIGN_PASS" -nokeys -clcerts 2>/dev/null
}

sign_prepare() {  # PFX PASSWORD_FILE|"" TIMESTAMP_URL|""
  SIGN_PFX=$1
  SIGN_TIMESTAMP=$3
  [ -f "$SIGN_PFX" ] && [ -r "$SIGN_PFX" ] || sign_refuse "cannot read the certificate file '$SIGN_PFX'"
  SIGN_PASS=$(mktemp)
  chmod 600 "$SIGN_PASS"
  # The password goes to both tools through this file, never on a command line.
  if [ -n "$2" ]; then
    [ -r "$2" ] || sign_refuse "cannot read the password file '$2'"
    head -n 1 "$2" | tr -d '\r\n' >"$SIGN_PASS"
  elif [ -n "${ORVAN_SIGN_PASSWORD+set}" ]; then
    printf '%s' "$ORVAN_SIGN_PASSWORD" >"$SIGN_PASS"
  else
    sign_refuse "--sign needs the certificate's password: set ORVAN_SIGN_PASSWORD or give --sign-password-file FILE"
  fi
  local certificate usage
  certificate=$(sign_certificate) && [ -n "$certificate" ] ||
    sign_refuse "'$SIGN_PFX' does not open with the password given (a wrong password, or no PKCS#12 file)"
  usage=$(openssl x509 -noout -ext extendedKeyUsage <<<"$certificate" 2>/dev/null)
  grep -q "Code Signing" <<<"$usage" ||
    sign_refuse "the certificate in '$SIGN_PFX' is not for code signing (its extended key usage has no Code Signing)"
  if [ -n "$SIGN_TIMESTAMP" ] && ! [[ $SIGN_TIMESTAMP =~ ^https?://[^[:space:]]+$ ]]; then
    sign_refuse "--timestamp takes the http:// or https:// address of an RFC 3161 server, not '$SIGN_TIMESTAMP'"
  fi
  return 0
}

sign_file() {  # FILE
  local timestamp=()
  [ -n "$SIGN_TIMESTAMP" ] && timestamp=(-ts "$SIGN_TIMESTAMP")
  rm -f "$1.signed"
  if ! osslsigncode sign -pkcs12 "$SIGN_PFX" -readpass "$SIGN_PASS" -h sha256 \
    -n "Orvan Classify Add-In for Outlook" -i "http://www.orvan.example/classify" "${timestamp[@]}" \
    -in "$1" -out "$1.signed" >/dev/null 2>"$1.sign-errors"; then
    echo "dev dist: signing $1 failed: $(tail -n 1 "$1.sign-errors")" >&2
    rm -f "$1.signed" "$1.sign-errors"
    exit 1
  fi
  rm -f "$1.sign-errors"
  mv "$1.signed" "$1"
  echo "signed $1: $(signer_of "$1")"
}

signer_of() {  # FILE
  # osslsigncode reads the signature back; without the organisation's root it cannot verify
  # the chain here, but it names the certificate that signed.
  local report subject
  report=$(osslsigncode verify -in "$1" 2>/dev/null || true)
  subject=$(sed -n "/^Signer's certificate:/,\$p" <<<"$report" | sed -n 's/^[[:space:]]*Subject:[[:space:]]*//p' | head -n 1)
  echo "${subject:-(no signature)}"
}
