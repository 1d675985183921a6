#!/usr/bin/env python3
"""Writes md2_answers.txt: MD2 answers made without kxrsa.

The openssl command has no MD2, so the blocks are built here from the PKCS #1
formulas, with MD2 digests from Nettle's `nettle-hash -a md2` (Debian package
nettle-bin), and raised to d or e of md2_key.pem (read with `openssl pkey`). Run from this folder: python3 make_md2_answers.py > md2_answers.txt
"""
import os
import subprocess

KEY = "md2_key.pem"
MESSAGE = b"The MD2 answers of kxrsa, made with Nettle and OpenSSL."
MD2_DIGEST_INFO = bytes.fromhex("3020300c06082a864886f70d020205000410")
H_LEN = 16


def md2(data):
    return subprocess.run(["nettle-hash", "-a", "md2", "--raw"], input=data, capture_output=True,
                          check=True).stdout


def mgf1(seed, length):
    out = b""
    counter = 0
    while len(out) < length:
        out += md2(seed + counter.to_bytes(4, "big"))
        counter += 1
    return out[:length]


def xor(a, b):
    return bytes(x ^ y for x, y in zip(a, b))


def key_numbers():
    """n, e and d of the key, from `openssl pkey -text`."""
    text = subprocess.run(["openssl", "pkey", "-in", KEY, "-noout", "-text"], capture_output=True, check=True,
                          text=True).stdout
    numbers = {}
    name = None
    for line in text.splitlines():
        if line.startswith("modulus:"):
            name = "n"
        elif line.startswith("privateExponent:"):
            name = "d"
        elif line.startswith("publicExponent:"):
            numbers["e"] = int(line.split()[1])
            name = None
        elif line.startswith(" ") and name:
            numbers[name] = numbers.get(name, "") + line.strip().replace(":", "")
        else:
            name = None
    return int(numbers["n"], 16), numbers["e"], int(numbers["d"], 16)


def main():
    n, e, d = key_numbers()
    k = (n.bit_length() + 7) // 8

    def raw(exponent, block):
        return pow(int.from_bytes(block, "big"), exponent, n).to_bytes(k, "big")

    digest = md2(MESSAGE)

    # v1.5 signature: 00 01 FF..FF 00 DigestInfo.
    t = MD2_DIGEST_INFO + digest
    v15 = raw(d, b"\x00\x01" + b"\xff" * (k - len(t) - 3) + b"\x00" + t)

    # PSS, salt of 16 bytes, emBits = 8k - 1.
    salt = os.urandom(H_LEN)
    h = md2(b"\x00" * 8 + digest + salt)
    db = b"\x00" * (k - 2 * H_LEN - 2) + b"\x01" + salt
    masked = bytearray(xor(db, mgf1(h, k - H_LEN - 1)))
    masked[0] &= 0x7F
    pss = raw(d, bytes(masked) + h + b"\xbc")

    # OAEP, empty label.
    seed = os.urandom(H_LEN)
    db = md2(b"") + b"\x00" * (k - len(MESSAGE) - 2 * H_LEN - 2) + b"\x01" + MESSAGE
    masked_db = xor(db, mgf1(seed, k - H_LEN - 1))
    masked_seed = xor(seed, mgf1(masked_db, H_LEN))
    oaep = raw(e, b"\x00" + masked_seed + masked_db)

    print("# MD2 answers for md2_key.pem, written by make_md2_answers.py.")
    print("message " + MESSAGE.hex())
    print("v15-md2 " + v15.hex())
    print("pss-md2 " + pss.hex())
    print("oaep-md2 " + oaep.hex())


main()
