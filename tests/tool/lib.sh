# shellcheck shell=bash disable=SC2034
# Shared by the kxrsa command's test scripts: sourced with the kxrsa program
# as $1. Gives a scratch folder $tmp, check/fail counting and OpenSSL keys.
set -uo pipefail
kxrsa=$1
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
passed=0
failed=0

fail() { echo "FAIL: $*"; failed=$((failed + 1)); }
pass() { passed=$((passed + 1)); }
# check DESCRIPTION COMMAND...: the command must succeed.
check() {
  local what=$1; shift
  if "$@" >"$tmp/check.out" 2>&1; then pass; else fail "$what"; cat "$tmp/check.out"; fi
}
finish() {
  echo "$passed passed, $failed failed"
  [ "$failed" -eq 0 ]
}

# openssl_key BITS NAME: a key from openssl genpkey in $tmp/NAME.pem (PKCS #8
# PEM), with the other encodings beside it (from openssl): .p8.der, .p1.pem, .p1.der, and
# the public key as .spki.pem, .spki.der, .rsapub.pem, .rsapub.der.
openssl_key() {
  openssl genpkey -algorithm RSA -pkeyopt "rsa_keygen_bits:$1" -out "$tmp/$2.pem" 2>/dev/null
  key_encodings "$2"
}

# key_encodings NAME: the other encodings of $tmp/NAME.pem, as openssl_key.
key_encodings() {
  local base=$tmp/$1
  openssl pkey -in "$base.pem" -outform DER -out "$base.p8.der"
  openssl rsa -in "$base.pem" -traditional -out "$base.p1.pem" 2>/dev/null
  openssl rsa -in "$base.pem" -traditional -outform DER -out "$base.p1.der" 2>/dev/null
  openssl pkey -in "$base.pem" -pubout -out "$base.spki.pem"
  openssl pkey -in "$base.pem" -pubout -outform DER -out "$base.spki.der"
  openssl rsa -in "$base.pem" -RSAPublicKey_out -out "$base.rsapub.pem" 2>/dev/null
  openssl rsa -in "$base.pem" -RSAPublicKey_out -outform DER -out "$base.rsapub.der" 2>/dev/null
}

# modulus_bytes KEY
modulus_bytes() {
  local hex
  hex=$(openssl rsa -in "$1" -noout -modulus 2>/dev/null | cut -d= -f2)
  echo $(((${#hex} + 1) / 2))
}
