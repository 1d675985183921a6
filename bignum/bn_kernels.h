// bn_kernels.h: private word-level helpers shared by the bignum files.
//
// The magnitudes are arrays of 32-bit words, but the inner loops of
// multiplication, squaring and the long division's multiply-subtract read two
// words at a time as one 64-bit limb and form 128-bit products. A pair is
// assembled from (and split back into) two 32-bit words, so nothing depends on
// the alignment of the array or on the host's byte order; compilers turn the
// pair into one 64-bit load or store on little-endian hosts. Carries come out
// of the 128-bit sums, never out of comparisons.
#ifndef KXRSA_BIGNUM_BN_KERNELS_H
#define KXRSA_BIGNUM_BN_KERNELS_H

#include <cstdint>

#include "bignum.h"

namespace bn {

using u128 = unsigned __int128;

inline uint64_t LoadPair(const uint32_t* w) {
    return static_cast<uint64_t>(w[0]) | (static_cast<uint64_t>(w[1]) << 32);
}

inline void StorePair(uint32_t* w, uint64_t v) {
    w[0] = static_cast<uint32_t>(v);
    w[1] = static_cast<uint32_t>(v >> 32);
}

// Normalise, full form: used recomputed by scanning down from the capacity.
inline void Normalise(BigNum* a) {
    uint32_t u = a->capacity;
    while (u > 1 && a->words[u - 1] == 0) --u;
    a->used = u;
}

// Normalise, conditional form: only when the top used word is zero.
inline void NormaliseIfNeeded(BigNum* a) {
    if (a->words[a->used - 1] == 0) Normalise(a);
}

inline bool IsZero(const BigNum* a) { return a->used == 1 && a->words[0] == 0; }

// r[0..n) += m * b[0..n) for a 64-bit multiplier m; returns the carry out,
// which always fits 64 bits ((2^64-1)^2 + 2(2^64-1) = 2^128-1 bounds every
// step).
inline uint64_t MulAddRow64(uint32_t* r, const uint32_t* b, uint32_t n, uint64_t m) {
    uint64_t carry = 0;
    uint32_t i = 0;
    for (; i + 1 < n; i += 2) {
        u128 t = static_cast<u128>(m) * LoadPair(b + i) + LoadPair(r + i) + carry;
        StorePair(r + i, static_cast<uint64_t>(t));
        carry = static_cast<uint64_t>(t >> 64);
    }
    if (i < n) {
        u128 t = static_cast<u128>(m) * b[i] + r[i] + carry;
        r[i] = static_cast<uint32_t>(t);
        carry = static_cast<uint64_t>(t >> 32);
    }
    return carry;
}

// r[0..n) -= q * b[0..n) for a 32-bit q; returns the borrow word c such that
// the old r - q*b equals the new r - c * 2^(32n). c < 2^32 + 2.
inline uint64_t MulSubRow(uint32_t* r, const uint32_t* b, uint32_t n, uint32_t q) {
    uint64_t c = 0;
    uint32_t i = 0;
    for (; i + 1 < n; i += 2) {
        u128 p = static_cast<u128>(q) * LoadPair(b + i) + c;
        uint64_t lo = static_cast<uint64_t>(p);
        uint64_t x = LoadPair(r + i);
        StorePair(r + i, x - lo);
        c = static_cast<uint64_t>(p >> 64) + (x < lo);
    }
    if (i < n) {
        uint64_t p = static_cast<uint64_t>(q) * b[i] + c;
        uint32_t lo = static_cast<uint32_t>(p);
        uint32_t x = r[i];
        r[i] = x - lo;
        c = (p >> 32) + (x < lo);
    }
    return c;
}

// r[0..n) += d * b[0..n) for a 32-bit d; returns the carry word.
inline uint64_t MulAddRow32(uint32_t* r, const uint32_t* b, uint32_t n, uint32_t d) {
    uint64_t c = 0;
    uint32_t i = 0;
    for (; i + 1 < n; i += 2) {
        u128 t = static_cast<u128>(d) * LoadPair(b + i) + LoadPair(r + i) + c;
        StorePair(r + i, static_cast<uint64_t>(t));
        c = static_cast<uint64_t>(t >> 64);
    }
    if (i < n) {
        uint64_t t = static_cast<uint64_t>(d) * b[i] + r[i] + c;
        r[i] = static_cast<uint32_t>(t);
        c = t >> 32;
    }
    return c;
}

// r[0..n) += b[0..n); returns the carry (0 or 1).
inline uint32_t AddRow(uint32_t* r, const uint32_t* b, uint32_t n) {
    uint64_t c = 0;
    uint32_t i = 0;
    for (; i + 1 < n; i += 2) {
        u128 t = static_cast<u128>(LoadPair(r + i)) + LoadPair(b + i) + c;
        StorePair(r + i, static_cast<uint64_t>(t));
        c = static_cast<uint64_t>(t >> 64);
    }
    if (i < n) {
        uint64_t t = static_cast<uint64_t>(r[i]) + b[i] + c;
        r[i] = static_cast<uint32_t>(t);
        c = t >> 32;
    }
    return static_cast<uint32_t>(c);
}

// r[0..na+nb) = a[0..na) * b[0..nb); r must be zero on entry, na, nb >= 1.
// Rows run over pairs of a; each row's carry is assigned above the row.
inline void MulWords(uint32_t* r, const uint32_t* a, uint32_t na, const uint32_t* b, uint32_t nb) {
    uint32_t i = 0;
    for (; i + 1 < na; i += 2) StorePair(r + i + nb, MulAddRow64(r + i, b, nb, LoadPair(a + i)));
    if (i < na) r[i + nb] = static_cast<uint32_t>(MulAddRow64(r + i, b, nb, a[i]));
}

}  // namespace bn

#endif  // KXRSA_BIGNUM_BN_KERNELS_H
