// IsProbablePrime: the Miller-Rabin test with evenly spaced bases.
#include "keygen.h"

namespace {

// The exponentiation's records inside the lent work: y is the accumulator.
BnPowerWork PowerWork(PrimalityWork* w) {
    return BnPowerWork{&w->y, &w->product, &w->quotient, &w->cube, &w->cross, &w->limbs};
}

// One Miller-Rabin round with base a, n - 1 = 2^s·d: *passes = 1 when n is a
// strong probable prime to base a.
void RunRound(BigNum* n, uint32_t s, uint32_t* passes, PrimalityWork* w) {
    *passes = 0;
    const BnPowerWork power = PowerWork(w);
    BnModExpWithWork(&w->a, &w->d, n, &power);  // d >= 1, a below n
    if (BnIsOne(&w->y)) {
        *passes = 1;
        return;
    }
    for (uint32_t j = 0;;) {
        if (BnCompareMagnitude(w->y, w->m) == 0) {
            *passes = 1;
            return;
        }
        // y = 1 without passing n - 1 first: a non-trivial square root of 1.
        if (BnIsOne(&w->y) || ++j >= s) return;
        BnModSquareWithWork(n, &power);
    }
}

}  // namespace

// see keygen.h
int32_t AllocatePrimalityWork(uint32_t w, PrimalityWork* work) {
    if (BnAlloc(w, &work->d) != 0 || BnAlloc(w, &work->m) != 0 || BnAlloc(2 * w + 1, &work->a) != 0 ||
        BnAlloc(2 * w + 1, &work->y) != 0 || BnAlloc(2 * w + 1, &work->step) != 0 ||
        BnAlloc(4 * w + 1, &work->product) != 0 || BnAlloc(3 * w + 1, &work->quotient) != 0 ||
        BnAlloc(3 * w + 1, &work->cube) != 0 || BnAlloc(2 * w, &work->cross) != 0 ||
        BnAlloc(2 * w, &work->limbs) != 0)
        return -1;
    return 0;
}

// see keygen.h
int32_t IsProbablePrime(BigNum* n, uint32_t k, uint32_t* verdict, PrimalityWork* w) {
    // 0, 1, negative numbers and even numbers other than 2 need no round; the
    // search never presents them except through a degenerate draw.
    uint32_t bits = 0;
    BnBitLength(n, &bits);
    *verdict = 0;
    if (n->sign != 0 || bits < 2) return 0;
    if ((n->words[0] & 1) == 0) {
        *verdict = bits == 2 ? 1 : 0;
        return 0;
    }

    BnZero(&w->m);
    BnZero(&w->a);
    BnZero(&w->y);
    BnZero(&w->step);
    *verdict = 1;
    BnSubWord(n, 1, &w->m);
    BnCopy(&w->m, &w->d);

    // A tiny n has fewer than k distinct bases in 2..n-1: one round per base.
    uint32_t rounds = k;
    if (n->used == 1 && n->words[0] - 2 < k) rounds = n->words[0] - 2;
    if (rounds == 0) return 0;  // only with k = 0; the division below needs R > 0

    // Bases 2, 2 + c, ..., 2 + (R-1)·c with c = floor((n - 2) / R).
    BnSubWord(n, 2, &w->y);
    BnDivWord(&w->y, rounds, &w->step);
    w->a.words[0] = 2;

    // n - 1 = 2^s·d with d odd.
    uint32_t s = 0;
    while ((w->d.words[0] & 1) == 0) {
        BnShiftRight(1, &w->d, &w->d);
        ++s;
    }

    for (uint32_t round = 0; round < rounds; ++round) {
        uint32_t passes = 0;
        RunRound(n, s, &passes, w);
        if (passes == 0) {
            *verdict = 0;
            return 0;
        }
        if (BnAdd(&w->a, &w->step, &w->a) != 0) return -1;
    }
    return 0;
}
