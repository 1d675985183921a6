// GenerateStrongPrime: Gordon's strong-prime construction.
//
// Two auxiliary primes s and t of a quarter of the length, a prime r of half
// the length with r = 1 (mod 2t), and finally p with p = 1 (mod r) and
// p = -1 (mod s): so r | p - 1, s | p + 1 and t | r - 1.
#include "bn_release.h"
#include "family.h"
#include "keygen.h"

namespace {

// The marker bits that give a drawn number its full length. They go into the
// most significant non-zero word, so a draw whose top word is zero comes out
// short and is drawn again by the length check.
constexpr uint32_t kTopBit = 0x80000000u;
constexpr uint32_t kTopTwoBits = 0xC0000000u;

// Every working number of one search, allocated once per call.
struct StrongPrimeWork {
    BigNum x;     // the candidate p: w + 1 words
    BigNum inc;   // the increment 2, then 2t, then 2rs: w
    BigNum s, t;  // w/4 + 1
    BigNum r;     // w/2 + 1
    BigNum v;     // r^-1 mod s, then 2·r·(r^-1 mod s): w + 1
    BigNum y, g;  // the other coefficient and the gcd of BnExtendedGcd: w
    PrimalityWork mr;
};

uint32_t ByteLengthOf(BigNum* x) {
    uint32_t length = 0;
    BnByteLength(x, &length);
    return length;
}

// x <- `bytes` random bytes with `marker` ORed into the top non-zero word.
int32_t DrawWithMarker(uint32_t bytes, uint32_t marker, BigNum* x) {
    if (BnRandom(bytes, x) != 0) return -1;
    x->words[x->used - 1] |= marker;
    return 0;
}

// Upward search from the odd x by the even inc until x passes the sieve (one
// gcd with the product of the primes up to 191, into mr->product) and the
// Miller-Rabin test. Not bounded: primes are dense enough in every residue
// class the callers search.
int32_t SearchUpward(BigNum* x, const BigNum* inc, PrimalityWork* mr) {
    for (;;) {
        BnZero(&mr->product);  // BnGcd leaves its result alone for a zero operand
        if (BnGcd(x, &SmallPrimeProduct, &mr->product) != 0) return -1;
        if (BnIsOne(&mr->product)) {
            uint32_t verdict = 0;
            if (IsProbablePrime(x, kMillerRabinRounds, &verdict, mr) != 0) return -1;
            if (verdict == 1) return 0;
        }
        if (BnAdd(x, inc, x) != 0) return -1;
    }
}

// s or t: an odd prime of exactly qb bytes, searched upward by 2.
int32_t FindAuxiliaryPrime(uint32_t qb, BigNum* x, StrongPrimeWork* w) {
    for (;;) {
        if (DrawWithMarker(qb, kTopBit, x) != 0) return -1;
        x->words[0] |= 1;
        if (SearchUpward(x, &w->inc, &w->mr) != 0) return -1;
        if (ByteLengthOf(x) == qb) return 0;
    }
}

// r: a prime of exactly hb bytes with r = 1 (mod 2t); w->inc holds 2t.
int32_t FindMiddlePrime(uint32_t hb, StrongPrimeWork* w) {
    BigNum* r = &w->r;
    for (;;) {
        if (DrawWithMarker(hb, kTopBit, r) != 0) return -1;
        // r <- floor(r / 2t)·2t + 1. A draw below 2t gives r = 1, which the
        // test calls composite; the search then moves on and the length
        // check sends it back here.
        if (BnDiv(r, &w->inc, r) != 0 || BnMul(r, &w->inc, r) != 0) return -1;
        r->words[0] |= 1;
        if (SearchUpward(r, &w->inc, &w->mr) != 0) return -1;
        if (ByteLengthOf(r) == hb) return 0;
    }
}

// v <- 2·r·(r^-1 mod s): the offset that moves a multiple of 2rs to a number
// that is 1 mod r and -1 mod s (and stays odd).
int32_t ComputeOffset(StrongPrimeWork* w) {
    if (BnExtendedGcd(&w->r, &w->s, &w->v, &w->y, &w->g) != 0) return -1;
    if (w->v.sign != 0 && BnAdd(&w->v, &w->s, &w->v) != 0) return -1;
    if (BnMul(&w->r, &w->v, &w->v) != 0) return -1;
    BnMulWord(&w->v, 2, &w->v);
    return 0;
}

// p: a prime of exactly L bytes, p = 1 (mod r), p = -1 (mod s); w->inc holds
// 2rs and w->v the offset. Only p is drawn again when its length is wrong.
int32_t FindPrime(uint32_t L, StrongPrimeWork* w) {
    BigNum* x = &w->x;
    for (;;) {
        if (DrawWithMarker(L, kTopTwoBits, x) != 0) return -1;
        if (BnDiv(x, &w->inc, x) != 0 || BnMul(x, &w->inc, x) != 0) return -1;
        x->words[0] |= 1;
        if (BnSub(x, &w->v, x) != 0) return -1;
        // A draw so small that x - v goes negative (odds near 2^-64): draw again.
        if (x->sign != 0) continue;
        if (SearchUpward(x, &w->inc, &w->mr) != 0) return -1;
        if (ByteLengthOf(x) == L) return 0;
    }
}

}  // namespace

// see keygen.h
int32_t GenerateStrongPrimeWithFactors(uint32_t L, BigNum* out, StrongPrimeFactors* factors) {
    if (L == 0 || L % 16 != 0) return -1;
    const uint32_t w = (L + 3) / 4;
    const uint32_t qb = L / 4;  // bytes of s and t
    const uint32_t hb = L / 2;  // bytes of r

    StrongPrimeWork sw{};
    PrimalityWork& mr = sw.mr;
    BnRelease release{&sw.x, &sw.inc, &sw.s, &sw.t, &sw.r,    &sw.v,       &sw.y,        &sw.g,     &mr.d,
                      &mr.m, &mr.a,   &mr.y, &mr.step, &mr.product, &mr.quotient, &mr.cube, &mr.cross, &mr.limbs};
    // 1. Everything at once. A search can carry x one word past w, so the test
    // is given room for candidates of w + 1 words.
    if (BnAlloc(w + 1, &sw.x) != 0 || BnAlloc(w, &sw.inc) != 0 || BnAlloc(w / 4 + 1, &sw.s) != 0 ||
        BnAlloc(w / 4 + 1, &sw.t) != 0 || BnAlloc(w / 2 + 1, &sw.r) != 0 || BnAlloc(w + 1, &sw.v) != 0 ||
        BnAlloc(w, &sw.y) != 0 || BnAlloc(w, &sw.g) != 0 || AllocatePrimalityWork(w + 1, &mr) != 0)
        return -1;
    sw.inc.words[0] = 2;

    // 2.-3. s and t, searched by 2.
    if (FindAuxiliaryPrime(qb, &sw.s, &sw) != 0 || FindAuxiliaryPrime(qb, &sw.t, &sw) != 0) return -1;
    // 4.-5. inc = 2t; r.
    if (BnMul(&sw.inc, &sw.t, &sw.inc) != 0 || FindMiddlePrime(hb, &sw) != 0) return -1;
    // 6. inc = 2rs.
    if (BnMul(&sw.r, &sw.s, &sw.inc) != 0) return -1;
    BnMulWord(&sw.inc, 2, &sw.inc);
    // 7. p; the offset depends on r and s only, so it is formed once.
    if (ComputeOffset(&sw) != 0 || FindPrime(L, &sw) != 0) return -1;

    // 8. Deliver; the guard clears and frees every working number.
    BnCopy(&sw.x, out);
    if (factors != nullptr) {
        BnCopy(&sw.r, factors->r);
        BnCopy(&sw.s, factors->s);
        BnCopy(&sw.t, factors->t);
    }
    return 0;
}

// see keygen.h
int32_t GenerateStrongPrime(uint32_t L, BigNum* out) {
    return GenerateStrongPrimeWithFactors(L, out, nullptr);
}
