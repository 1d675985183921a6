#!/usr/bin/env python3
"""Writes the seed corpora of the fuzz targets (corpus/<target>/) from the
fixed keys of fuzz_keys.h: valid calls of each export family and their
nearest invalid neighbours. Run from anywhere; the output is committed."""
import hashlib, os, re, struct

HERE = os.path.dirname(os.path.abspath(__file__))


def keys():
    text = open(os.path.join(HERE, "fuzz_keys.h")).read()
    out = {}
    for bits, body in re.findall(r"FUZZ_KEY_(\d+) = \{(.*?)\};", text, re.S):
        parts = [int("".join(re.findall(r'"([0-9a-f]*)"', p)), 16) for p in body.split(",")]
        out[int(bits)] = dict(zip("n e d p q dP dQ qInv".split(), parts))
    return out


def be(v, length=None):
    length = length if length is not None else (v.bit_length() + 7) // 8
    return v.to_bytes(length, "big")


def rec(b, kind=5):
    return bytes([kind]) + struct.pack(">H", len(b)) + (b if kind >= 5 else b"")


def special(kind, length=0):
    return bytes([kind]) + struct.pack(">H", length)


HASHES = {1: "md5", 2: "sha1", 3: "sha256", 4: "sha384", 5: "sha512"}
PREFIX = {  # DigestInfo prefixes of the v1.5 signature
    2: "3021300906052b0e03021a05000414",
    3: "3031300d060960864801650304020105000420",
}


def mgf1(seed, length, h):
    out = b""
    for i in range((length + hashlib.new(h).digest_size - 1) // hashlib.new(h).digest_size):
        out += hashlib.new(h, seed + struct.pack(">I", i)).digest()
    return out[:length]


def xor(a, b):
    return bytes(x ^ y for x, y in zip(a, b))


def oaep(msg, k, h):
    hl = hashlib.new(h).digest_size
    db = hashlib.new(h, b"").digest() + b"\0" * (k - len(msg) - 2 * hl - 2) + b"\1" + msg
    seed = bytes(range(1, hl + 1))
    mdb = xor(db, mgf1(seed, k - hl - 1, h))
    return b"\0" + xor(seed, mgf1(mdb, hl, h)) + mdb


def pss(msg, k, h):
    hl = hashlib.new(h).digest_size
    salt = bytes(range(7, 7 + hl))
    mh = hashlib.new(h, b"\0" * 8 + hashlib.new(h, msg).digest() + salt).digest()
    db = b"\0" * (k - 2 * hl - 2) + b"\1" + salt
    mdb = bytearray(xor(db, mgf1(mh, k - hl - 1, h)))
    mdb[0] &= 0x7F
    return bytes(mdb) + mh + b"\xbc"


def write(target, name, data):
    folder = os.path.join(HERE, "corpus", target)
    os.makedirs(folder, exist_ok=True)
    open(os.path.join(folder, name), "wb").write(data)


def main():
    K = keys()
    k512, k1024 = K[512], K[1024]
    # KxSealRsaBlock: e, n, x
    for bits, key in K.items():
        n = key["n"]
        for i, x in enumerate([0, 1, 2, n - 1, n, n + 1, 0x0123456789ABCDEF]):
            write("fuzz_seal", f"k{bits}_x{i}", b"\0" + rec(be(65537)) + rec(be(n)) + rec(be(x, (n.bit_length() + 7) // 8 if x >= n - 1 else None)))
        write("fuzz_seal", f"k{bits}_e3", b"\0" + rec(b"\3") + rec(be(n)) + rec(be(n // 3)))
        write("fuzz_seal", f"k{bits}_lead0", b"\0" + rec(be(65537)) + rec(b"\0\0" + be(n)) + rec(be(n - 5)))
        write("fuzz_seal", f"k{bits}_even", b"\0" + rec(be(65537)) + rec(be(n + 1)) + rec(be(n // 7)))
        write("fuzz_seal", f"k{bits}_zero_n", b"\0" + rec(be(65537)) + special(2, 64) + rec(b"\5"))
        write("fuzz_seal", f"k{bits}_null", b"\1" + special(0) + rec(be(n)) + special(1, 3))
    write("fuzz_seal", "one_n", b"\0" + rec(b"\3") + special(3, 64) + rec(b"\7"))
    write("fuzz_seal", "long_n", b"\0" + rec(b"\3") + rec(b"\xff" * 257) + rec(b"\7"))
    # The raw private exports: d, [e], n, p, q, dP, dQ, qInv, x
    def private(which, key, x, swap=False, **change):
        parts = dict(key, **change)
        if swap:
            parts["p"], parts["q"] = parts["q"], parts["p"]
        order = ["d"] + (["e"] if which == 2 else []) + ["n", "p", "q", "dP", "dQ", "qInv"]
        return bytes([which]) + b"".join(rec(be(parts[c])) for c in order) + rec(be(x))
    for which in range(3):
        for bits, key in K.items():
            n = key["n"]
            write("fuzz_private", f"w{which}_k{bits}", private(which, key, pow(12345, key["e"], n)))
            write("fuzz_private", f"w{which}_k{bits}_swap", private(which, key, n - 2, swap=True))
            write("fuzz_private", f"w{which}_k{bits}_qinv0", private(which, key, n // 3, qInv=0))
        write("fuzz_private", f"w{which}_even_p", private(which, k512, 77, p=k512["p"] + 1))
        write("fuzz_private", f"w{which}_one_q", private(which, k512, k512["n"] + 1, q=1))
        write("fuzz_private", f"w{which}_small_n", private(which, k512, 5, n=k512["n"] >> 200))
    # The PKCS decoders: flags, scheme, ciphertext or signature, message
    msg = b"fuzz corpus message"
    for bits, key, flag in ((1024, k1024, 0), (512, k512, 2)):
        n, e, k = key["n"], key["e"], (key["n"].bit_length() + 7) // 8
        seal = lambda em: be(pow(int.from_bytes(em, "big"), e, n), k)
        sign = lambda em: be(pow(int.from_bytes(em, "big"), key["d"], n), k)
        v15 = b"\0\2" + bytes(range(1, k - len(msg) - 2)) + b"\0" + msg
        write("fuzz_pkcs_decode", f"k{bits}_v15", bytes([flag]) + struct.pack(">I", 0) + rec(seal(v15)))
        bad = b"\0\2" + bytes(range(1, k - 2))
        write("fuzz_pkcs_decode", f"k{bits}_v15_nozero", bytes([flag]) + struct.pack(">I", 0) + rec(seal(bad)))
        for hi, h in HASHES.items():
            if k >= 2 * hashlib.new(h).digest_size + 2 + len(msg):
                write("fuzz_pkcs_decode", f"k{bits}_oaep{hi}", bytes([flag]) + struct.pack(">I", 0x10 + hi) + rec(seal(oaep(msg, k, h))))
            if k >= 2 * hashlib.new(h).digest_size + 2:
                write("fuzz_pkcs_decode", f"k{bits}_pss{hi}", bytes([flag | 1]) + struct.pack(">I", 0x10010 + hi) + rec(sign(pss(msg, k, h))) + rec(msg))
        for hi, prefix in PREFIX.items():
            t = bytes.fromhex(prefix) + hashlib.new(HASHES[hi], msg).digest()
            em = b"\0\1" + b"\xff" * (k - len(t) - 3) + b"\0" + t
            write("fuzz_pkcs_decode", f"k{bits}_v15sig{hi}", bytes([flag | 1]) + struct.pack(">I", 0x10000 + hi) + rec(sign(em)) + rec(msg))
        write("fuzz_pkcs_decode", f"k{bits}_short", bytes([flag]) + struct.pack(">I", 0) + rec(b"\1" * (k - 1)))
        write("fuzz_pkcs_decode", f"k{bits}_above_n", bytes([flag | 1]) + struct.pack(">I", 0x10003) + rec(b"\xff" * k) + rec(msg))
        write("fuzz_pkcs_decode", f"k{bits}_scheme", bytes([flag]) + struct.pack(">I", 0x16) + rec(seal(v15)))
    # The PKCS encoders: flags, scheme, message
    for flag, bits in ((0, 1024), (2, 512)):
        for scheme in [0, 0x12, 0x13, 0x15, 0x16]:
            write("fuzz_pkcs_encode", f"seal_k{bits}_{scheme:x}", bytes([flag]) + struct.pack(">I", scheme) + rec(msg))
        for scheme in [0x10000, 0x10002, 0x10003, 0x10005, 0x10012, 0x10013, 0x10015, 0x10006]:
            write("fuzz_pkcs_encode", f"sign_k{bits}_{scheme:x}", bytes([flag | 1]) + struct.pack(">I", scheme) + rec(msg))
    write("fuzz_pkcs_encode", "seal_longest", b"\2" + struct.pack(">I", 0) + rec(b"x" * 53))
    write("fuzz_pkcs_encode", "seal_too_long", b"\2" + struct.pack(">I", 0) + rec(b"x" * 54))
    write("fuzz_pkcs_encode", "seal_empty", b"\0" + struct.pack(">I", 0x12) + special(1, 0))
    write("fuzz_pkcs_encode", "sign_null_out", b"\x09" + struct.pack(">I", 0x10003) + rec(msg))
    # Key generation: flags, modulus length, exponent length, missing, null data
    for i, (m, x) in enumerate([(64, 3), (64, 1), (64, 64), (65, 3), (65, 64), (96, 3), (97, 5), (63, 3), (0, 3),
                                (257, 3), (2048, 3), (64, 0), (64, -1), (65, 65), (80, 3)]):
        write("fuzz_keygen", f"len{i}", b"\0" + struct.pack(">Hi", m, x) + b"\0\0")
    write("fuzz_keygen", "missing", b"\0" + struct.pack(">Hi", 64, 3) + b"\x04\0")
    write("fuzz_keygen", "null_data", b"\0" + struct.pack(">Hi", 64, 3) + b"\0\x80")
    write("fuzz_keygen", "wide", b"\2" + struct.pack(">Ii", 0x10040, 3) + b"\0\0")
    # The mode switch among operations
    for i, steps in enumerate([b"\xc1\x00\x10" + msg[:16] + b"\xc0\x01\x05hello",
                               b"\x02\x03abc\xc1\x03\x03abc\x22\x00",
                               b"\xc1\xc1\x21\x04abcd\xc0\xc0\x00\x40" + bytes(64),
                               b"\xc2\x00\x00\x00\x05\x04\x01z\xc1\x0c\x02hi"]):
        write("fuzz_jcmvp", f"steps{i}", steps)


if __name__ == "__main__":
    main()
