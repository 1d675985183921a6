#!/usr/bin/env bash
# Bad input to the kxrsa command: each row gives its exit code and message,
# leaves no output file behind (an existing one untouched) and never crashes.
# Usage: bad_input.sh KXRSA
# shellcheck source-path=SCRIPTDIR source=lib.sh
source "$(dirname "$0")/lib.sh"

openssl_key 1024 k
openssl_key 1023 odd
openssl genpkey -algorithm RSA -pkeyopt rsa_keygen_bits:2056 -out "$tmp/big.pem" 2>/dev/null
openssl genpkey -algorithm EC -pkeyopt ec_paramgen_curve:P-256 -out "$tmp/ec.pem"
openssl genpkey -genparam -algorithm DSA -pkeyopt dsa_paramgen_bits:1024 -out "$tmp/dsa.params" 2>/dev/null
openssl genpkey -paramfile "$tmp/dsa.params" -out "$tmp/dsa.pem"
openssl pkey -in "$tmp/k.pem" -aes-128-cbc -passout pass:right -out "$tmp/enc.pem"
head -c 300 "$tmp/k.pem" >"$tmp/truncated.pem"
: >"$tmp/empty.pem"
echo "a short message" >"$tmp/m"
head -c 118 /dev/zero >"$tmp/m118"   # one byte over v1.5's 117 for k = 128
head -c 63 /dev/zero >"$tmp/m63"     # one byte over OAEP SHA-256's 62
head -c 129 /dev/zero >"$tmp/x129"
"$kxrsa" sign -k "$tmp/k.pem" --scheme v15-sha256 -i "$tmp/m" -o "$tmp/sig"
head -c 127 "$tmp/sig" >"$tmp/sig.short"
perl -0777 -pe 'substr($_, -1) ^= "\x01"' "$tmp/sig" >"$tmp/sig.bad"
head -c 128 /dev/zero >"$tmp/c.zero"
head -c 127 /dev/zero >"$tmp/c.short"
# A folder even root cannot create files in.
if [ "$(id -u)" -eq 0 ]; then readonly_dir=/sys; else readonly_dir=$tmp/ro && mkdir -m 555 "$readonly_dir"; fi
out=$tmp/out
mkdir "$out"

# row EXIT MESSAGE ARGUMENTS...: kxrsa ARGUMENTS (no terminal, no input) exits
# with EXIT, prints "kxrsa: ...MESSAGE..." as its only line on standard
# error, and leaves $out as it found it: empty but for out/old, unchanged.
row() {
  local expected=$1 message=$2; shift 2
  echo old >"$out/old"
  setsid -w "$kxrsa" "$@" </dev/null >/dev/null 2>"$tmp/err"
  local got=$?
  local leftover
  leftover=$(find "$out" -mindepth 1 ! -name old)
  if [ $got -ne "$expected" ] || [ "$(wc -l <"$tmp/err")" -ne 1 ] || ! grep -q "^kxrsa: .*$message" "$tmp/err" ||
     [ -n "$leftover" ] || [ "$(cat "$out/old")" != old ]; then
    fail "kxrsa $* -> $got (expected $expected, '$message'), left: ${leftover:-nothing}"
    cat "$tmp/err"
  else
    pass
  fi
  rm -rf "${out:?}"/* "$out"/.[!.]*
}

t=$tmp
row 3 "cannot read $t/none.pem: no such file"     sign -k "$t/none.pem" --scheme v15-sha256 -i "$t/m" -o "$out/s"
row 3 "cannot read $t/none: no such file"         sign -k "$t/k.pem" --scheme v15-sha256 -i "$t/none" -o "$out/s"
row 3 "empty.pem: empty file"                      sign -k "$t/empty.pem" --scheme v15-sha256 -i "$t/m" -o "$out/s"
row 3 "ec.pem: not an RSA key"                     sign -k "$t/ec.pem" --scheme v15-sha256 -i "$t/m" -o "$out/s"
row 3 "dsa.pem: not an RSA key"                    encrypt -k "$t/dsa.pem" --scheme v15 -i "$t/m" -o "$out/c"
row 3 "truncated.pem: not a PEM or DER key"        pubkey -k "$t/truncated.pem" -o "$out/p"
row 3 "big.pem: a 2056-bit key"                    pubkey -k "$t/big.pem" -o "$out/p"
row 3 "k.spki.pem: a public key; sign needs the private key" \
                                                   sign -k "$t/k.spki.pem" --scheme v15-sha256 -i "$t/m" -o "$out/s"
row 3 "k.rsapub.der: a public key; decrypt needs"  decrypt -k "$t/k.rsapub.der" --scheme v15 -i "$t/c.zero" -o "$out/m"
row 3 "the key is encrypted; give its pass phrase" pubkey -k "$t/enc.pem" -o "$out/p"
row 3 "cannot decrypt the key (wrong pass phrase"  pubkey -k "$t/enc.pem" --passin pass:wrong -o "$out/p"
row 3 "a 1023-bit key; pss-sha256 needs a modulus whose bit length is a multiple of 8" \
                                                   sign -k "$t/odd.pem" --scheme pss-sha256 -i "$t/m" -o "$out/s"
row 3 "129 bytes, longer than the 128-byte modulus" raw-public -k "$t/k.pem" -i "$t/x129" -o "$out/y"
row 3 "cannot write $readonly_dir/s"               sign -k "$t/k.pem" --scheme v15-sha256 -i "$t/m" -o "$readonly_dir/s"
row 3 "cannot write $out/no/s: no such file"       sign -k "$t/k.pem" --scheme v15-sha256 -i "$t/m" -o "$out/no/s"
row 3 "cannot write $out: is a folder"             sign -k "$t/k.pem" --scheme v15-sha256 -i "$t/m" -o "$out"
row 2 "encrypt: unknown scheme 'oaep-sha3'"        encrypt -k "$t/k.pem" --scheme oaep-sha3 -i "$t/m" -o "$out/c"
row 2 "sign: oaep-sha1 is an encryption scheme"    sign -k "$t/k.pem" --scheme oaep-sha1 -i "$t/m" -o "$out/s"
row 2 "verify: missing --signature"                verify -k "$t/k.pem" --scheme v15-sha256 -i "$t/m"
row 2 "sign: missing -k"                           sign --scheme v15-sha256 -i "$t/m" -o "$out/s"
row 2 "unknown option --salt"                      sign -k "$t/k.pem" --scheme pss-sha256 --salt 0 -o "$out/s"
row 2 "-o needs a value"                           sign -k "$t/k.pem" --scheme pss-sha256 -o
row 2 "-k given twice"                             pubkey -k "$t/k.pem" -k "$t/k.pem" -o "$out/p"
row 2 "unexpected argument 'extra'"                pubkey -k "$t/k.pem" extra -o "$out/p"
row 2 "unknown command 'frobnicate'"               frobnicate
row 2 "genkey: --bits 1000: kxrsa generates keys of 512" genkey --bits 1000 -o "$out/k"
row 2 "genkey: --bits takes a number"              genkey --bits 1k -o "$out/k"
row 2 "genkey: --exponent-bytes: from 1 to 64"     genkey --bits 512 --exponent-bytes 0 -o "$out/k"
row 2 "--passin env:KX_UNSET: KX_UNSET is not set" pubkey -k "$t/enc.pem" --passin env:KX_UNSET -o "$out/p"
row 2 "--passin takes pass:TEXT"                   pubkey -k "$t/enc.pem" --passin right -o "$out/p"
row 2 "--blinding takes none, derived or given"    raw-private -k "$t/k.pem" --blinding some -i "$t/m" -o "$out/y"
row 1 "sig.short: 127 bytes; a signature under this key has 128" \
                                                   verify -k "$t/k.pem" --scheme v15-sha256 -i "$t/m" --signature "$t/sig.short"
row 1 "verify: ErrVerify (549): the signature does not match the message" \
                                                   verify -k "$t/k.pem" --scheme v15-sha256 -i "$t/m" --signature "$t/sig.bad"
row 4 "encrypt: ErrEncode (548)"                   encrypt -k "$t/k.pem" --scheme v15 -i "$t/m118" -o "$out/c"
row 4 "encrypt: ErrEncode (548)"                   encrypt -k "$t/k.pem" --scheme oaep-sha256 -i "$t/m63" -o "$out/c"
row 4 "sign: ErrEncode (548)"                      sign -k "$t/k.pem" --scheme pss-sha512 -i "$t/m" -o "$out/s"
row 4 "decrypt: ErrDecrypt (547)"                  decrypt -k "$t/k.pem" --scheme v15 -i "$t/c.short" -o "$out/m"
row 4 "decrypt: ErrDecrypt (547)"                  decrypt -k "$t/k.pem" --scheme oaep-sha1 -i "$t/c.zero" -o "$out/m"
# The same failures with the output file already there: it stays as it was.
row 3 "cannot read $t/none: no such file"         sign -k "$t/k.pem" --scheme v15-sha256 -i "$t/none" -o "$out/old"
row 4 "decrypt: ErrDecrypt (547)"                  decrypt -k "$t/k.pem" --scheme v15 -i "$t/c.zero" -o "$out/old"
finish
