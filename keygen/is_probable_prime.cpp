// IsProbablePrime: the Miller-Rabin test with evenly spaced bases.
#include "keygen.h"

#include "bn_kernels.h"

namespace {

// into <- product mod n. The quotient is thrown away; BnDivMagnitude wants it
// zero on entry.
void ReduceProduct(BigNum* n, PrimalityWork* w, BigNum* into) {
    bn::ZeroUsed(&w->quotient);
    BnDivMagnitude(&w->product, n, &w->quotient, into);
}

// product <- x^2, in the work's squaring scratch.
void SquareIntoProduct(const BigNum* x, PrimalityWork* w) {
    bn::ZeroUsed(&w->product);
    BnSquareWithScratch(x, &w->product, &w->cross, &w->limbs);
}

// y <- y^2 mod n.
void SquareY(BigNum* n, PrimalityWork* w) {
    SquareIntoProduct(&w->y, w);
    ReduceProduct(n, w, &w->y);
}

// y <- y·f mod n, f below n (the base or its cube). BnMulMagnitude
// accumulates, so the product starts at zero.
void MultiplyY(const BigNum* f, BigNum* n, PrimalityWork* w) {
    bn::ZeroUsed(&w->product);
    BnMulMagnitude(&w->y, f, &w->product);
    ReduceProduct(n, w, &w->y);
}

// y <- a^d mod n, d >= 1, scanned from its top bit in 2-bit windows with a^3
// as the only table entry; a window of value 2 is multiply-then-square, so a^2
// is never held. The same schedule as BnModExp, but in the lent numbers, so a
// round allocates nothing.
void PowerOfBase(BigNum* n, PrimalityWork* w) {
    BigNum* d = &w->d;
    uint32_t bits = 0;
    BnBitLength(d, &bits);
    BnZero(&w->y);
    w->y.words[0] = 1;

    const uint32_t top = (bits + 31) / 32 - 1;
    uint32_t left = bits % 32 == 0 ? 32 : bits % 32;  // bits still to scan in window
    uint32_t window = d->words[top] << (32 - left);   // top bit of d at bit 31
    if (left % 2 == 1) {
        // An odd count: the leading 1 bit alone, so that whole 2-bit windows follow.
        window <<= 1;
        --left;
        MultiplyY(&w->a, n, w);
    }

    // The table: a^3 mod n.
    SquareIntoProduct(&w->a, w);
    ReduceProduct(n, w, &w->cube);
    bn::ZeroUsed(&w->product);
    BnMulMagnitude(&w->cube, &w->a, &w->product);
    ReduceProduct(n, w, &w->cube);

    for (uint32_t i = top + 1; i-- > 0;) {
        if (i != top) {
            window = d->words[i];
            left = 32;
        }
        for (; left != 0; left -= 2, window <<= 2) {
            SquareY(n, w);
            switch (window >> 30) {
                case 0:
                    SquareY(n, w);
                    break;
                case 1:
                    SquareY(n, w);
                    MultiplyY(&w->a, n, w);
                    break;
                case 2:
                    MultiplyY(&w->a, n, w);
                    SquareY(n, w);
                    break;
                default:
                    SquareY(n, w);
                    MultiplyY(&w->cube, n, w);
                    break;
            }
        }
    }
}

// One Miller-Rabin round with base a, n - 1 = 2^s·d: *passes = 1 when n is a
// strong probable prime to base a.
void RunRound(BigNum* n, uint32_t s, uint32_t* passes, PrimalityWork* w) {
    *passes = 0;
    PowerOfBase(n, w);
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
        SquareY(n, w);
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
