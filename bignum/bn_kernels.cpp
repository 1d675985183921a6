// see bn_kernels.h
//
// The portable rows take steps of the form t = m·x + y + carry in 128 bits,
// which never overflow ((2^64 - 1)² + 2·(2^64 - 1) = 2^128 - 1) and which
// compilers turn into one multiplication and an add-with-carry pair whose only
// dependency from one limb to the next is the carry word. On x86-64 the two
// rows of the long division (multiply-subtract and add-back) and the squaring's
// final pass use the add-with-carry intrinsics instead, with the carry kept in
// the flags. A last odd word of a row is handled on its own.
#include "bn_kernels.h"

#if defined(__x86_64__) && !defined(KX_BN_PORTABLE_KERNELS)
#include <x86intrin.h>
#endif

namespace bn {

namespace {
inline uint64_t Low(u128 t) { return static_cast<uint64_t>(t); }
inline uint64_t High(u128 t) { return static_cast<uint64_t>(t >> 64); }
}  // namespace

namespace {
[[maybe_unused]] uint64_t MulAddRow64Portable(uint32_t* r, const uint32_t* b, uint32_t n, uint64_t m) {
    uint64_t carry = 0;
    uint32_t i = 0;
    for (; i + 3 < n; i += 4) {
        u128 t0 = static_cast<u128>(m) * LoadPair(b + i) + LoadPair(r + i) + carry;
        StorePair(r + i, Low(t0));
        u128 t1 = static_cast<u128>(m) * LoadPair(b + i + 2) + LoadPair(r + i + 2) + High(t0);
        StorePair(r + i + 2, Low(t1));
        carry = High(t1);
    }
    if (i + 1 < n) {
        u128 t = static_cast<u128>(m) * LoadPair(b + i) + LoadPair(r + i) + carry;
        StorePair(r + i, Low(t));
        carry = High(t);
        i += 2;
    }
    if (i < n) {
        // One word left: the sum still fits 128 bits and its top is the carry.
        u128 t = static_cast<u128>(m) * b[i] + r[i] + carry;
        r[i] = static_cast<uint32_t>(t);
        carry = static_cast<uint64_t>(t >> 32);
    }
    return carry;
}

// Subtracting q·b is adding q·(~b) + q and dropping q·2^(32n), since
// -b = ~b + 1 - 2^(32n) over n words. That turns the row into the
// multiply-accumulate step above, started with carry q; the borrow word is
// then q minus the final carry (never negative: each step's carry is at most q).
// q may be a whole 64-bit limb.
[[maybe_unused]] uint64_t MulSubRowPortable(uint32_t* r, const uint32_t* b, uint32_t n, uint64_t q) {
    uint64_t carry = q;
    uint32_t i = 0;
    for (; i + 3 < n; i += 4) {
        u128 t0 = static_cast<u128>(q) * ~LoadPair(b + i) + LoadPair(r + i) + carry;
        StorePair(r + i, Low(t0));
        u128 t1 = static_cast<u128>(q) * ~LoadPair(b + i + 2) + LoadPair(r + i + 2) + High(t0);
        StorePair(r + i + 2, Low(t1));
        carry = High(t1);
    }
    if (i + 1 < n) {
        u128 t = static_cast<u128>(q) * ~LoadPair(b + i) + LoadPair(r + i) + carry;
        StorePair(r + i, Low(t));
        carry = High(t);
        i += 2;
    }
    if (i < n) {
        u128 t = static_cast<u128>(q) * static_cast<uint32_t>(~b[i]) + r[i] + carry;
        r[i] = static_cast<uint32_t>(t);
        carry = static_cast<uint64_t>(t >> 32);
    }
    return q - carry;
}

[[maybe_unused]] uint32_t AddRowPortable(uint32_t* r, const uint32_t* b, uint32_t n) {
    uint64_t carry = 0;
    uint32_t i = 0;
    for (; i + 3 < n; i += 4) {
        u128 t0 = static_cast<u128>(LoadPair(r + i)) + LoadPair(b + i) + carry;
        StorePair(r + i, Low(t0));
        u128 t1 = static_cast<u128>(LoadPair(r + i + 2)) + LoadPair(b + i + 2) + High(t0);
        StorePair(r + i + 2, Low(t1));
        carry = High(t1);
    }
    if (i + 1 < n) {
        u128 t = static_cast<u128>(LoadPair(r + i)) + LoadPair(b + i) + carry;
        StorePair(r + i, Low(t));
        carry = High(t);
        i += 2;
    }
    if (i < n) {
        uint64_t t = static_cast<uint64_t>(r[i]) + b[i] + carry;
        r[i] = static_cast<uint32_t>(t);
        carry = t >> 32;
    }
    return static_cast<uint32_t>(carry);
}

}  // namespace

#if defined(__x86_64__) && !defined(KX_BN_PORTABLE_KERNELS)
// On x86-64 the add-with-carry intrinsics give chains of adc and sbb with the
// carry kept in the flags: one cycle per limb instead of two. Each result goes
// to a local and from there to the word pair with StorePair (the pair is only
// 4-byte aligned); the compiler still stores it straight from the register.
inline uint8_t AddCarryInto(uint8_t c, uint64_t a, uint64_t b, uint32_t* r) {
    unsigned long long s;
    c = _addcarry_u64(c, a, b, &s);
    StorePair(r, s);
    return c;
}
inline uint8_t SubBorrowInto(uint8_t c, uint64_t a, uint64_t b, uint32_t* r) {
    unsigned long long d;
    c = _subborrow_u64(c, a, b, &d);
    StorePair(r, d);
    return c;
}

// The product row q·b and the subtraction run as two chains side by side:
// chain A adds each limb's low product half to the previous high half, chain B
// subtracts that sum from r. What is still owed after the last limb, the
// high half plus both chains' carries, is the borrow word.
//
// Both rows are instantiated for the word counts of the common moduli and
// prime factors (N > 0), so the compiler can unroll them completely; N = 0
// takes the count at run time.
template <uint32_t N>
uint64_t MulSubRowOf(uint32_t* r, const uint32_t* b, uint32_t count, uint64_t q) {
    const uint32_t n = N != 0 ? N : count;
    unsigned long long high = 0;
    uint8_t ca = 0, cb = 0;
    uint32_t i = 0;
#pragma GCC unroll 8
    for (; i + 7 < n; i += 8) {
        u128 p0 = static_cast<u128>(q) * LoadPair(b + i);
        u128 p1 = static_cast<u128>(q) * LoadPair(b + i + 2);
        u128 p2 = static_cast<u128>(q) * LoadPair(b + i + 4);
        u128 p3 = static_cast<u128>(q) * LoadPair(b + i + 6);
        unsigned long long s0, s1, s2, s3;
        ca = _addcarry_u64(ca, Low(p0), high, &s0);
        ca = _addcarry_u64(ca, Low(p1), High(p0), &s1);
        ca = _addcarry_u64(ca, Low(p2), High(p1), &s2);
        ca = _addcarry_u64(ca, Low(p3), High(p2), &s3);
        cb = SubBorrowInto(cb, LoadPair(r + i), s0, r + i);
        cb = SubBorrowInto(cb, LoadPair(r + i + 2), s1, r + i + 2);
        cb = SubBorrowInto(cb, LoadPair(r + i + 4), s2, r + i + 4);
        cb = SubBorrowInto(cb, LoadPair(r + i + 6), s3, r + i + 6);
        high = High(p3);
    }
    for (; i + 1 < n; i += 2) {
        u128 p = static_cast<u128>(q) * LoadPair(b + i);
        unsigned long long s;
        ca = _addcarry_u64(ca, Low(p), high, &s);
        cb = SubBorrowInto(cb, LoadPair(r + i), s, r + i);
        high = High(p);
    }
    // The borrow word is at most q (see MulSubRowPortable), so neither sum
    // below overflows.
    uint64_t c = high + ca;
    if (i < n) {
        u128 p = static_cast<u128>(q) * b[i] + c;
        unsigned int d;
        cb = _subborrow_u32(cb, r[i], static_cast<uint32_t>(p), &d);
        r[i] = d;
        return static_cast<uint64_t>(p >> 32) + cb;
    }
    return c + cb;
}

template <uint32_t N>
uint32_t AddRowOf(uint32_t* r, const uint32_t* b, uint32_t count) {
    const uint32_t n = N != 0 ? N : count;
    uint8_t c = 0;
    uint32_t i = 0;
#pragma GCC unroll 8
    for (; i + 7 < n; i += 8) {
        c = AddCarryInto(c, LoadPair(r + i), LoadPair(b + i), r + i);
        c = AddCarryInto(c, LoadPair(r + i + 2), LoadPair(b + i + 2), r + i + 2);
        c = AddCarryInto(c, LoadPair(r + i + 4), LoadPair(b + i + 4), r + i + 4);
        c = AddCarryInto(c, LoadPair(r + i + 6), LoadPair(b + i + 6), r + i + 6);
    }
    for (; i + 1 < n; i += 2) c = AddCarryInto(c, LoadPair(r + i), LoadPair(b + i), r + i);
    if (i < n) {
        unsigned int s;
        c = _addcarry_u32(c, r[i], b[i], &s);
        r[i] = s;
    }
    return c;
}

uint64_t MulAddRow64(uint32_t* r, const uint32_t* b, uint32_t n, uint64_t m) {
    if (HasAdx()) return MulAddRowAdx(r, b, n, m);
    return MulAddRow64Portable(r, b, n, m);
}

uint64_t MulSubRow64(uint32_t* r, const uint32_t* b, uint32_t n, uint64_t q) {
    // Measured: the adx row wins on long rows, the unrolled 16- and 32-word
    // rows below win on short ones.
    if (n >= 64 && HasAdx()) return MulSubRowAdx(r, b, n, q);
    switch (n) {
        case 16: return MulSubRowOf<16>(r, b, n, q);
        case 32: return MulSubRowOf<32>(r, b, n, q);
        case 64: return MulSubRowOf<64>(r, b, n, q);
        default: return MulSubRowOf<0>(r, b, n, q);
    }
}

uint32_t AddRow(uint32_t* r, const uint32_t* b, uint32_t n) {
    switch (n) {
        case 16: return AddRowOf<16>(r, b, n);
        case 32: return AddRowOf<32>(r, b, n);
        case 64: return AddRowOf<64>(r, b, n);
        default: return AddRowOf<0>(r, b, n);
    }
}
#else
uint64_t MulAddRow64(uint32_t* r, const uint32_t* b, uint32_t n, uint64_t m) {
    return MulAddRow64Portable(r, b, n, m);
}
uint64_t MulSubRow64(uint32_t* r, const uint32_t* b, uint32_t n, uint64_t q) {
    return MulSubRowPortable(r, b, n, q);
}
uint32_t AddRow(uint32_t* r, const uint32_t* b, uint32_t n) { return AddRowPortable(r, b, n); }
#endif

uint64_t MulSubRow(uint32_t* r, const uint32_t* b, uint32_t n, uint32_t q) {
    return MulSubRow64(r, b, n, q);
}

uint32_t DoubleAndAdd(uint32_t* r, const uint32_t* x, const uint32_t* s, uint32_t n) {
    uint64_t out = 0;  // top bit of the previous limb of x
#if defined(__x86_64__) && !defined(KX_BN_PORTABLE_KERNELS)
    uint8_t carry = 0;
    for (uint32_t i = 0; i < n; i += 2) {
        uint64_t limb = LoadPair(x + i);
        carry = AddCarryInto(carry, (limb << 1) | out, LoadPair(s + i), r + i);
        out = limb >> 63;
    }
#else
    uint64_t carry = 0;
    for (uint32_t i = 0; i < n; i += 2) {
        uint64_t limb = LoadPair(x + i);
        u128 t = static_cast<u128>((limb << 1) | out) + LoadPair(s + i) + carry;
        out = limb >> 63;
        StorePair(r + i, Low(t));
        carry = High(t);
    }
#endif
    return static_cast<uint32_t>(carry + out);
}

uint32_t AddWords(uint32_t* r, const uint32_t* a, const uint32_t* b, uint32_t n) {
    uint64_t carry = 0;
    uint32_t i = 0;
    for (; i + 1 < n; i += 2) {
        u128 t = static_cast<u128>(LoadPair(a + i)) + LoadPair(b + i) + carry;
        StorePair(r + i, Low(t));
        carry = High(t);
    }
    if (i < n) {
        uint64_t t = static_cast<uint64_t>(a[i]) + b[i] + carry;
        r[i] = static_cast<uint32_t>(t);
        carry = t >> 32;
    }
    return static_cast<uint32_t>(carry);
}

void MulWords(uint32_t* r, const uint32_t* a, uint32_t na, const uint32_t* b, uint32_t nb) {
    // Rows over pairs of a; r starts at zero, so each row's carry is assigned
    // to the words just above the row.
    uint32_t i = 0;
    for (; i + 1 < na; i += 2) StorePair(r + i + nb, MulAddRow64(r + i, b, nb, LoadPair(a + i)));
    if (i < na) r[i + nb] = static_cast<uint32_t>(MulAddRow64(r + i, b, nb, a[i]));
}

}  // namespace bn
