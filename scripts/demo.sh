#!/usr/bin/env bash
# A short tour of the kxrsa command: builds it (release preset), makes a key in
# a scratch folder, encrypts and decrypts, signs and verifies, and checks the
# same files with the openssl command. Prints every command it runs.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake --preset release >/dev/null
cmake --build --preset release --target kxrsa_tool kxhmac kxjcmvp >/dev/null
kxrsa=$PWD/build/release/bin/kxrsa

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
PATH=$(dirname "$kxrsa"):$PATH
run() {
  echo "\$ $*"
  "$@"
}

echo "== a 2048-bit key, and its public half"
run kxrsa genkey --bits 2048 -o key.pem
run kxrsa pubkey -k key.pem -o pub.pem
run openssl pkey -in key.pem -check -noout

echo "== OAEP (SHA-256): kxrsa encrypts, kxrsa and openssl decrypt"
echo "attack at dawn" >message.txt
run kxrsa encrypt -k pub.pem --scheme oaep-sha256 -i message.txt -o message.enc
run kxrsa decrypt -k key.pem --scheme oaep-sha256 -i message.enc
run openssl pkeyutl -decrypt -inkey key.pem -in message.enc \
  -pkeyopt rsa_padding_mode:oaep -pkeyopt rsa_oaep_md:sha256 -pkeyopt rsa_mgf1_md:sha256

echo "== PSS (SHA-256): kxrsa signs, kxrsa and openssl verify"
run kxrsa sign -k key.pem --scheme pss-sha256 -i message.txt -o message.sig
run kxrsa verify -k pub.pem --scheme pss-sha256 -i message.txt --signature message.sig
openssl dgst -sha256 -binary message.txt >message.sha256
run openssl pkeyutl -verify -pubin -inkey pub.pem -in message.sha256 -sigfile message.sig \
  -pkeyopt digest:sha256 -pkeyopt rsa_padding_mode:pss -pkeyopt rsa_pss_saltlen:digest

echo "== a v1.5 signature made by openssl, verified by kxrsa"
run openssl pkeyutl -sign -inkey key.pem -in message.sha256 -out openssl.sig -pkeyopt digest:sha256
run kxrsa verify -k pub.pem --scheme v15-sha256 -i message.txt --signature openssl.sig

echo "== a tampered message"
echo "attack at dusk" >tampered.txt
echo "\$ kxrsa verify -k pub.pem --scheme pss-sha256 -i tampered.txt --signature message.sig"
if kxrsa verify -k pub.pem --scheme pss-sha256 -i tampered.txt --signature message.sig; then
  echo "unexpected: the tampered message verified" >&2
  exit 1
else
  echo "(exit code $?)"
fi

echo "== the JCMVP self-tests"
run kxrsa selftest
