#!/usr/bin/env bash
# The kxrsa command against the openssl command, both ways, on keys of either
# making in every encoding. Usage: interop.sh KXRSA
# shellcheck source-path=SCRIPTDIR source=lib.sh
source "$(dirname "$0")/lib.sh"

declare -A HASH_LEN=([md5]=16 [sha1]=20 [sha256]=32 [sha384]=48 [sha512]=64)
PRIVATE_FORMS=(pem p8.der p1.pem p1.der)
PUBLIC_FORMS=(spki.pem spki.der rsapub.pem rsapub.der)
turn=0
# The next encoding of key $1, private or public: every scheme takes another.
next_private() { echo "$tmp/$1.${PRIVATE_FORMS[turn % 4]}"; }
next_public() { echo "$tmp/$1.${PUBLIC_FORMS[turn % 4]}"; }

# openssl's -pkeyopt options for a kxrsa scheme name.
openssl_options() {
  case $1 in
    v15) echo "-pkeyopt rsa_padding_mode:pkcs1" ;;
    oaep-*) echo "-pkeyopt rsa_padding_mode:oaep -pkeyopt rsa_oaep_md:${1#oaep-} -pkeyopt rsa_mgf1_md:${1#oaep-}" ;;
    v15-*) echo "-pkeyopt digest:${1#v15-} -pkeyopt rsa_padding_mode:pkcs1" ;;
    pss-*) echo "-pkeyopt digest:${1#pss-} -pkeyopt rsa_padding_mode:pss -pkeyopt rsa_pss_saltlen:digest" ;;
  esac
}

# encryption_both_ways KEY SCHEME: openssl encrypts, kxrsa decrypts, and back.
encryption_both_ways() {
  local key=$1 scheme=$2 k room m=$tmp/m c=$tmp/c
  k=$(modulus_bytes "$tmp/$key.pem")
  if [ "$scheme" = v15 ]; then room=$((k - 11)); else room=$((k - 2 * HASH_LEN[${scheme#oaep-}] - 2)); fi
  [ "$room" -gt 0 ] || return 0
  head -c $((room < 40 ? room : 40)) /dev/urandom >"$m"
  # shellcheck disable=SC2046
  openssl pkeyutl -encrypt -pubin -inkey "$tmp/$key.spki.pem" -in "$m" -out "$c" $(openssl_options "$scheme")
  check "$key $scheme: openssl -> kxrsa ($(next_private "$key"))" \
    bash -c "'$kxrsa' decrypt -k '$(next_private "$key")' --scheme $scheme -i '$c' | cmp - '$m'"
  rm -f "$c"
  "$kxrsa" encrypt -k "$(next_public "$key")" --scheme "$scheme" -i "$m" -o "$c"
  check "$key $scheme: kxrsa ($(next_public "$key")) -> openssl" \
    bash -c "[ \$(wc -c <'$c') -eq $k ] && openssl pkeyutl -decrypt -inkey '$tmp/$key.pem' -in '$c' \
             $(openssl_options "$scheme") | cmp - '$m'"
  turn=$((turn + 1))
}

# signature_both_ways KEY SCHEME: kxrsa signs, openssl verifies, and back.
signature_both_ways() {
  local key=$1 scheme=$2 hash=${2#*-} k m=$tmp/m d=$tmp/d s=$tmp/s
  k=$(modulus_bytes "$tmp/$key.pem")
  [[ $scheme == v15-* ]] || [ "$k" -ge $((2 * HASH_LEN[$hash] + 2)) ] || return 0
  head -c 1000 /dev/urandom >"$m"
  openssl dgst "-$hash" -binary "$m" >"$d"
  rm -f "$s"
  "$kxrsa" sign -k "$(next_private "$key")" --scheme "$scheme" -i "$m" -o "$s"
  # shellcheck disable=SC2046
  check "$key $scheme: kxrsa ($(next_private "$key")) -> openssl" \
    openssl pkeyutl -verify -pubin -inkey "$tmp/$key.spki.pem" -in "$d" -sigfile "$s" $(openssl_options "$scheme")
  rm -f "$s"
  # shellcheck disable=SC2046
  openssl pkeyutl -sign -inkey "$tmp/$key.pem" -in "$d" -out "$s" $(openssl_options "$scheme")
  check "$key $scheme: openssl -> kxrsa ($(next_public "$key"))" \
    "$kxrsa" verify -k "$(next_public "$key")" --scheme "$scheme" -i "$m" --signature "$s"
  turn=$((turn + 1))
}

echo "== keys from openssl genpkey: every scheme, both ways, every encoding"
HASHES=(md5 sha1 sha256 sha384 sha512)
for bits in 1024 1032 2048; do
  openssl_key $bits "o$bits"
  encryption_both_ways "o$bits" v15
  for hash in "${HASHES[@]}"; do
    encryption_both_ways "o$bits" "oaep-$hash"
    signature_both_ways "o$bits" "v15-$hash"
    signature_both_ways "o$bits" "pss-$hash"
  done
  for form in "${PRIVATE_FORMS[@]}" "${PUBLIC_FORMS[@]}"; do
    check "o$bits: pubkey of .$form is openssl's" \
      bash -c "'$kxrsa' pubkey -k '$tmp/o$bits.$form' | cmp - '$tmp/o$bits.spki.pem'"
  done
done

echo "== moduli of 1023 and 2047 bits: v1.5 and OAEP both ways, PSS refused"
for bits in 1023 2047; do
  openssl_key $bits "o$bits"
  for scheme in v15 oaep-sha1 oaep-sha256; do encryption_both_ways "o$bits" $scheme; done
  signature_both_ways "o$bits" v15-sha256
  for command in "sign -k $tmp/o$bits.pem" "verify -k $tmp/o$bits.pem --signature $tmp/s"; do
    # shellcheck disable=SC2086
    "$kxrsa" $command --scheme pss-sha256 -i "$tmp/m" >/dev/null 2>"$tmp/err"
    rc=$?
    check "o$bits: PSS refused by ${command%% *}" bash -c "[ $rc -eq 3 ] && grep -q 'multiple of 8' '$tmp/err'"
  done
done

echo "== keys from kxrsa genkey, checked and used by openssl"
"$kxrsa" genkey -o "$tmp/g2048.pem"
"$kxrsa" genkey --bits 1024 --pkcs1 -o "$tmp/g1024.p1.pem"
"$kxrsa" genkey --bits 1024 --der -o "$tmp/g1024.p8.der"
"$kxrsa" genkey --bits 1024 --pkcs1 --der -o "$tmp/g1024.p1.der"
"$kxrsa" genkey --bits 768 --exponent-bytes 8 -o "$tmp/g768.pem"
check "genkey: 2048 bits, e = 65537" bash -c "openssl pkey -in '$tmp/g2048.pem' -noout -text |
  grep -q 'Private-Key: (2048 bit, 2 primes)' && openssl pkey -in '$tmp/g2048.pem' -noout -text | grep -q 65537"
check "genkey: PKCS #8 PEM by default" grep -q "BEGIN PRIVATE KEY" "$tmp/g2048.pem"
check "genkey: --pkcs1" grep -q "BEGIN RSA PRIVATE KEY" "$tmp/g1024.p1.pem"
check "genkey: owner-only file" bash -c "[ \$(stat -c %a '$tmp/g2048.pem') = 600 ]"
check "genkey: 8-byte exponent" bash -c "openssl pkey -in '$tmp/g768.pem' -noout -text |
  grep -Eq 'publicExponent: [0-9]+ \\(0x[1-9a-f][0-9a-f]{13,14}[13579bdf]\\)'"
for key in g2048.pem g1024.p1.pem g768.pem; do check "openssl pkey -check $key" openssl pkey -check -noout -in "$tmp/$key"; done
for key in g1024.p8.der g1024.p1.der; do
  check "openssl pkey -check $key" openssl pkey -check -noout -inform DER -in "$tmp/$key"
done
cp "$tmp/g2048.pem" "$tmp/k.pem"
key_encodings k
encryption_both_ways k oaep-sha256
signature_both_ways k pss-sha256
check "pubkey --pkcs1 is openssl's RSAPublicKey" bash -c "'$kxrsa' pubkey -k '$tmp/k.pem' --pkcs1 |
  cmp - <(openssl rsa -in '$tmp/k.pem' -RSAPublicKey_out 2>/dev/null)"
check "pubkey --der is openssl's" bash -c "'$kxrsa' pubkey -k '$tmp/k.pem' --der |
  cmp - <(openssl pkey -in '$tmp/k.pem' -pubout -outform DER)"

echo "== raw operations against openssl without padding"
for key in o1024 o2047; do
  k=$(modulus_bytes "$tmp/$key.pem")
  { printf '\0'; head -c $((k - 1)) /dev/urandom; } >"$tmp/x"
  check "$key raw-public" bash -c "'$kxrsa' raw-public -k '$tmp/$key.spki.der' -i '$tmp/x' |
    cmp - <(openssl pkeyutl -verifyrecover -pubin -inkey '$tmp/$key.spki.pem' -in '$tmp/x' -pkeyopt rsa_padding_mode:none)"
  openssl pkeyutl -decrypt -inkey "$tmp/$key.pem" -in "$tmp/x" -pkeyopt rsa_padding_mode:none -out "$tmp/y"
  for blinding in none derived given; do
    check "$key raw-private --blinding $blinding" bash -c \
      "'$kxrsa' raw-private -k '$tmp/$key.p1.pem' --blinding $blinding -i '$tmp/x' | cmp - '$tmp/y'"
  done
done

echo "== encrypted keys"
openssl pkey -in "$tmp/o1024.pem" -aes-128-cbc -passout pass:kx-secret -out "$tmp/enc.pem"
echo kx-secret >"$tmp/pass"
for source in pass:kx-secret env:KX_PASS "file:$tmp/pass"; do
  check "--passin $source" bash -c "KX_PASS=kx-secret '$kxrsa' pubkey -k '$tmp/enc.pem' --passin $source |
    cmp - '$tmp/o1024.spki.pem'"
done

echo "== MD2: round trips and the known answers"
md2key=$here/md2_key.pem
answer() { grep "^$1 " "$here/md2_answers.txt" | cut -d' ' -f2 | perl -ne 'chomp; print pack("H*", $_)'; }
answer message >"$tmp/md2.m"
answer v15-md2 >"$tmp/md2.v15"
answer pss-md2 >"$tmp/md2.pss"
answer oaep-md2 >"$tmp/md2.oaep"
check "v15-md2 signature is the known one" bash -c \
  "'$kxrsa' sign -k '$md2key' --scheme v15-md2 -i '$tmp/md2.m' | cmp - '$tmp/md2.v15'"
check "pss-md2 known signature verifies" \
  "$kxrsa" verify -k "$md2key" --scheme pss-md2 -i "$tmp/md2.m" --signature "$tmp/md2.pss"
check "oaep-md2 known ciphertext decrypts" bash -c \
  "'$kxrsa' decrypt -k '$md2key' --scheme oaep-md2 -i '$tmp/md2.oaep' | cmp - '$tmp/md2.m'"
for scheme in pss-md2 v15-md2; do
  "$kxrsa" sign -k "$tmp/o1032.p1.der" --scheme $scheme -i "$tmp/md2.m" -o "$tmp/s"
  check "$scheme round trip" "$kxrsa" verify -k "$tmp/o1032.rsapub.der" --scheme $scheme -i "$tmp/md2.m" \
    --signature "$tmp/s"
done
"$kxrsa" encrypt -k "$tmp/o1032.spki.der" --scheme oaep-md2 -i "$tmp/md2.m" -o "$tmp/c"
check "oaep-md2 round trip" bash -c \
  "'$kxrsa' decrypt -k '$tmp/o1032.p8.der' --scheme oaep-md2 -i '$tmp/c' | cmp - '$tmp/md2.m'"

echo "== output files"
check "-o /dev/null stays a device" bash -c "'$kxrsa' sign -k '$tmp/o1024.pem' --scheme v15-sha1 -i '$tmp/m' \
  -o /dev/null && [ -c /dev/null ]"
echo old >"$tmp/real" && ln -s real "$tmp/link"
check "-o through a symbolic link" bash -c "'$kxrsa' sign -k '$tmp/o1024.pem' --scheme v15-sha1 -i '$tmp/m' \
  -o '$tmp/link' && [ -L '$tmp/link' ] && [ \$(wc -c <'$tmp/real') -eq 128 ]"

echo "== schemes, selftest, help"
check "schemes lists 19 schemes" bash -c "[ \$('$kxrsa' schemes | grep -c '0x[01]00[0-9a-f][0-9a-f]') -eq 19 ]"
check "pss-sha512 is 0x10015" bash -c "'$kxrsa' schemes | grep -q '^pss-sha512 *0x10015'"
check "selftest passes" bash -c "'$kxrsa' selftest | grep -q 'self-test: passed'"
for command in genkey pubkey encrypt decrypt sign verify raw-public raw-private schemes selftest; do
  check "--help names $command" bash -c "'$kxrsa' --help | grep -q '^  $command '"
  check "$command --help" bash -c "'$kxrsa' $command --help | grep -q '^Usage: kxrsa $command'"
done
check "--version" bash -c "'$kxrsa' --version | grep -q '^kxrsa [0-9]'"
finish
