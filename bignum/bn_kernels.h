// bn_kernels.h: private word-level kernels shared by the bignum files.
//
// The magnitudes are arrays of 32-bit words, but the inner loops of
// multiplication, squaring and the long division's multiply-subtract read two
// words at a time as one 64-bit limb (word 2k low, word 2k + 1 high) and form
// 128-bit products. Any word offset works: a pair needs no alignment. Carries
// travel in add-with-carry chains, never through comparisons. The loops live
// in bn_kernels.cpp, out of line, so each keeps the registers to itself.
#ifndef KXRSA_BIGNUM_BN_KERNELS_H
#define KXRSA_BIGNUM_BN_KERNELS_H

#include <cstdint>
#include <cstring>

#include "bignum.h"

namespace bn {

using u128 = unsigned __int128;

// One 64-bit limb from two words. On a little-endian host the pair is the
// limb's memory image, so it moves as one unaligned 64-bit access.
inline uint64_t LoadPair(const uint32_t* w) {
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    uint64_t v;
    std::memcpy(&v, w, sizeof v);
    return v;
#else
    return static_cast<uint64_t>(w[0]) | (static_cast<uint64_t>(w[1]) << 32);
#endif
}

inline void StorePair(uint32_t* w, uint64_t v) {
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    std::memcpy(w, &v, sizeof v);
#else
    w[0] = static_cast<uint32_t>(v);
    w[1] = static_cast<uint32_t>(v >> 32);
#endif
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

// Normalise a record whose words from `from` up to the capacity are zero:
// the full form's result without scanning those words.
inline void NormaliseBelow(BigNum* a, uint32_t from) {
    uint32_t u = from;
    while (u > 1 && a->words[u - 1] == 0) --u;
    a->used = u;
}

// BnZero for a record that keeps the invariant (zero above `used`): the same
// result, touching only the used words.
inline void ZeroUsed(BigNum* a) {
    for (uint32_t i = 0; i < a->used; ++i) a->words[i] = 0;
    a->used = 1;
    a->sign = 0;
}

// r[0..n) += m·b[0..n) for a 64-bit multiplier m; returns the carry out,
// which always fits 64 bits ((2^64-1)² + 2(2^64-1) = 2^128-1 bounds each step).
uint64_t MulAddRow64(uint32_t* r, const uint32_t* b, uint32_t n, uint64_t m);

// r[0..n) -= q·b[0..n) for a 32-bit q; returns the borrow word c such that the
// old r - q·b equals the new r - c·2^(32n). c < 2^32 + 2.
uint64_t MulSubRow(uint32_t* r, const uint32_t* b, uint32_t n, uint32_t q);

// r[0..n) -= q·b[0..n) for a 64-bit q; returns the borrow c such that the old
// r - q·b equals the new r - c·2^(32n). c <= q.
uint64_t MulSubRow64(uint32_t* r, const uint32_t* b, uint32_t n, uint64_t q);

#if defined(__x86_64__) && !defined(KX_BN_PORTABLE_KERNELS)
// HasAdx: the processor has BMI2 and ADX (never, when built with KX_BN_NO_ADX).
// MulAddRowAdx / MulSubRowAdx: MulAddRow64 / MulSubRow64 with mulx, adcx and
// adox, only to be called when HasAdx() (bn_kernels_adx.cpp).
bool HasAdx();
uint64_t MulAddRowAdx(uint32_t* r, const uint32_t* b, uint32_t n, uint64_t m);
uint64_t MulSubRowAdx(uint32_t* r, const uint32_t* b, uint32_t n, uint64_t q);
#endif

// r[0..n) += b[0..n); returns the carry (0 or 1).
uint32_t AddRow(uint32_t* r, const uint32_t* b, uint32_t n);

// r[0..n) = 2·x[0..n) + s[0..n); returns the carry out (0 to 2). n even.
uint32_t DoubleAndAdd(uint32_t* r, const uint32_t* x, const uint32_t* s, uint32_t n);

// r[0..n) = a[0..n) + b[0..n); returns the carry (0 or 1). r MAY be a or b.
uint32_t AddWords(uint32_t* r, const uint32_t* a, const uint32_t* b, uint32_t n);

// r[0..na+nb) = a·b; r zero on entry, na, nb >= 1.
void MulWords(uint32_t* r, const uint32_t* a, uint32_t na, const uint32_t* b, uint32_t nb);

}  // namespace bn

#endif  // KXRSA_BIGNUM_BN_KERNELS_H
