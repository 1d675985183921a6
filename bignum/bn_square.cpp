// Squaring: every cross product once, then twice the cross products plus the
// squares of the limbs in one pass.
#include "bignum.h"
#include "bn_kernels.h"
#include "bn_release.h"

namespace {
// Cross products of the 64-bit limbs of a (a[2k] + a[2k+1]·2^32) into x,
// which is zero on entry: x = sum over limbs i < j of L_i·L_j·2^(64(i+j)).
// The product of the two words inside one limb is left to the limb's square.
void AddCrossProducts(const uint32_t* a, uint32_t u, uint32_t* x) {
    for (uint32_t i = 0; 2 * i + 2 < u; ++i) {
        uint32_t w = 2 * i;
        uint32_t len = u - w - 2;  // words of a above limb i
        uint64_t carry = bn::MulAddRow64(x + 2 * w + 2, a + w + 2, len, bn::LoadPair(a + w));
        bn::StorePair(x + w + u, carry);
    }
}

// Squares of the limbs into s: s = sum of L_k²·2^(128k). When u is odd the top
// limb is one word and its square takes two words.
void StoreLimbSquares(const uint32_t* a, uint32_t u, uint32_t* s) {
    uint32_t k = 0;
    for (; k + 1 < u; k += 2) {
        uint64_t limb = bn::LoadPair(a + k);
        bn::u128 sq = static_cast<bn::u128>(limb) * limb;
        bn::StorePair(s + 2 * k, static_cast<uint64_t>(sq));
        bn::StorePair(s + 2 * k + 2, static_cast<uint64_t>(sq >> 64));
    }
    if (k < u) bn::StorePair(s + 2 * k, static_cast<uint64_t>(a[k]) * a[k]);
}

// r[0..capacity) = a[0..u)², u >= 2, capacity >= 2u; x and s are scratch of
// 2u words each.
void SquareWords(const uint32_t* a, uint32_t u, uint32_t* r, uint32_t capacity, uint32_t* x, uint32_t* s) {
    // a² = 2·x + s, formed in one pass over the 2u words; 2·x < a² fits.
    for (uint32_t i = 0; i < 2 * u; ++i) x[i] = 0;
    AddCrossProducts(a, u, x);
    StoreLimbSquares(a, u, s);
    bn::DoubleAndAdd(r, x, s, 2 * u);
    for (uint32_t i = 2 * u; i < capacity; ++i) r[i] = 0;
}
}  // namespace

// see bignum.h
int32_t BnSquare(const BigNum* a, BigNum* r) {
    uint32_t u = a->used;
    if (u == 1) {
        BnZero(r);
        bn::StorePair(r->words, static_cast<uint64_t>(a->words[0]) * a->words[0]);
        bn::Normalise(r);
        return 0;
    }
    BigNum x{}, s{};
    BnRelease release{&x, &s};
    if (BnAlloc(r->capacity, &x) != 0 || BnAlloc(r->capacity, &s) != 0) return -1;
    SquareWords(a->words, u, r->words, r->capacity, x.words, s.words);
    bn::Normalise(r);
    r->sign = 0;
    return 0;
}

// see bignum.h
void BnSquareWithScratch(const BigNum* a, BigNum* r, BigNum* x, BigNum* s) {
    uint32_t u = a->used;
    if (u == 1) {
        bn::ZeroUsed(r);
        bn::StorePair(r->words, static_cast<uint64_t>(a->words[0]) * a->words[0]);
        bn::NormaliseBelow(r, 2);
        return;
    }
    // r is zero above its used words, so only those below 2u need clearing.
    SquareWords(a->words, u, r->words, r->used > 2 * u ? r->used : 2 * u, x->words, s->words);
    bn::NormaliseBelow(r, 2 * u);
    r->sign = 0;
}
