// Fuzz target: KxGenerateRsaKey with arbitrary lengths and missing records.
// Input: flags (bit 0: no error location, bit 1: a 4-byte modulus length),
// the modulus length (2 bytes, big-endian, or 4), the exponent length (4
// bytes, signed), a byte of missing records and a byte of records with null
// data (bit i: record i). Lengths the export accepts above 97 bytes are not
// generated (a 2048-bit key takes seconds): such an input ends without a call.
//
// A new key is checked with GMP: the lengths, n = p·q, e·d = 1 mod
// lcm(p - 1, q - 1), dP, dQ and qInv.
#include <gmp.h>

#include "fuzz_support.h"

namespace {
bool Accepted(uint32_t m, int32_t x) {
    const bool length = m >= 64 && m <= 256 && (m / 2) % 16 == 0;
    return length && x >= 1 && static_cast<uint32_t>(x) <= m && !(m % 2 == 1 && static_cast<uint32_t>(x) == m);
}

void Import(mpz_t r, const OctetString& s) { mpz_import(r, s.length, 1, 1, 1, 0, s.data); }

void CheckKey(const OctetString* rec) {
    mpz_t d, e, n, p, q, dP, dQ, qInv, t, u;
    mpz_inits(d, e, n, p, q, dP, dQ, qInv, t, u, nullptr);
    mpz_t* parts[8] = {&d, &e, &n, &p, &q, &dP, &dQ, &qInv};
    for (int i = 0; i < 8; ++i) Import(*parts[i], rec[i]);
    mpz_mul(t, p, q);
    FuzzCheck(mpz_cmp(t, n) == 0 && mpz_cmp(p, q) > 0, "n is not p·q with p > q");
    mpz_sub_ui(t, p, 1), mpz_sub_ui(u, q, 1);
    mpz_lcm(t, t, u);
    mpz_mul(u, e, d), mpz_mod(u, u, t);
    FuzzCheck(mpz_cmp_ui(u, 1) == 0, "e·d is not 1 mod lcm(p - 1, q - 1)");
    mpz_sub_ui(t, p, 1), mpz_mod(u, d, t);
    FuzzCheck(mpz_cmp(u, dP) == 0, "dP");
    mpz_sub_ui(t, q, 1), mpz_mod(u, d, t);
    FuzzCheck(mpz_cmp(u, dQ) == 0, "dQ");
    mpz_mul(t, q, qInv), mpz_mod(t, t, p);
    FuzzCheck(mpz_cmp_ui(t, 1) == 0, "qInv");
    mpz_clears(d, e, n, p, q, dP, dQ, qInv, t, u, nullptr);
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput in(data, size);
    const uint8_t flags = in.Byte();
    uint32_t m = (static_cast<uint32_t>(in.Byte()) << 8) | in.Byte();
    if (flags & 2) m = (m << 16) | (static_cast<uint32_t>(in.Byte()) << 8) | in.Byte();
    const int32_t x = static_cast<int32_t>(in.Word());
    const uint8_t missing = in.Byte(), nullData = in.Byte();
    if (Accepted(m, x) && m > 97) return 0;
    // Buffers as the export asks for them (d and n: m bytes, e: x bytes, the
    // rest m / 2), bounded for lengths it refuses.
    const uint32_t big = m < 300 ? m : 300, half = big / 2;
    const uint32_t ex = x > 0 && static_cast<uint32_t>(x) < 300 ? static_cast<uint32_t>(x) : 0;
    const uint32_t sizes[8] = {big, ex, big, half, half, half, half, half};
    std::deque<FuzzOutput> outs;
    OctetString* recs[8];
    for (int i = 0; i < 8; ++i) {
        FuzzOutput& o = outs.emplace_back(sizes[i]);
        if (nullData >> i & 1) o.record.data = nullptr;
        recs[i] = missing >> i & 1 ? nullptr : &o.record;
    }
    uint32_t error = 12345;
    uint32_t* errorAt = flags & 1 ? nullptr : &error;
    const int32_t rc = KxGenerateRsaKey(m, x, recs[0], recs[1], recs[2], recs[3], recs[4], recs[5], recs[6],
                                        recs[7], errorAt);
    FuzzCheck(rc == 0 || rc == -1, "return value", static_cast<uint32_t>(rc));
    FuzzCheck(rc == -1 || Accepted(m, x), "a length out of range accepted", m);
    OctetString key[8];
    for (int i = 0; i < 8; ++i) {
        FuzzOutput& o = outs[i];
        FuzzCheck(o.GuardIntact(), "written past a key buffer", i);
        if (rc == -1) FuzzCheck(o.record.length == FuzzOutput::LENGTH, "a length changed on failure", i);
        key[i] = {o.buffer.data(), o.record.length};
    }
    if (rc == -1) {
        if (errorAt != nullptr) FuzzCheck(error == ErrParameter || error == ErrKeyGeneration, "error code", error);
        return 0;
    }
    FuzzCheck(error == 0, "error set on success", error);
    const uint32_t want[8] = {m / 2 * 2, static_cast<uint32_t>(x), m / 2 * 2, m / 2, m / 2, m / 2, m / 2, m / 2};
    for (int i = 0; i < 8; ++i) FuzzCheck(key[i].length == want[i], "component length", i);
    CheckKey(key);
    return 0;
}
