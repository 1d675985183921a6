// Extended Euclid: the remainder sequence started from (b, a), carrying the
// coefficients of both operands. Every record is allocated once up front and
// each step writes into a spare record that then trades places with the one
// it replaces, so the loop itself never allocates.
//
// The quotients, remainders and coefficients are fixed by the sequence; the
// records only hold them. A coefficient that is zero always has sign 0.
#include "bignum.h"
#include "bn_kernels.h"
#include "bn_release.h"

namespace {
// One row of the sequence: rem = u·b + v·a.
struct Row {
    BigNum u, v, rem;
};

// The working records besides the two rows.
struct Scratch {
    BigNum q;      // the quotient of the current step
    BigNum prod;   // q times a coefficient
    BigNum coef;   // the next value of a coefficient
    BigNum rem;    // the next value of a remainder
};

void Swap(BigNum* a, BigNum* b) {
    BigNum t = *a;
    *a = *b;
    *b = t;
}

// dst = dst - q·src for one signed coefficient, q > 0 and src non-zero.
void UpdateCoefficient(const BigNum* src, Scratch* s, BigNum* dst) {
    BigNum* prod = &s->prod;
    BigNum* next = &s->coef;
    bn::ZeroUsed(prod);
    if (s->q.used == 1) {
        BnMulWord(src, s->q.words[0], prod);
    } else {
        BnMulMagnitude(src, &s->q, prod);
    }
    // The product carries src's sign: opposite signs add the magnitudes, equal
    // ones subtract the smaller from the larger.
    bn::ZeroUsed(next);
    if (dst->sign != src->sign) {
        BnAddMagnitude(dst, prod, next);
        next->sign = dst->sign;
    } else {
        int32_t cmp = BnCompareMagnitude(*dst, *prod);
        if (cmp > 0) {
            BnSubMagnitude(dst, prod, next);
            next->sign = dst->sign;
        } else if (cmp < 0) {
            BnSubMagnitude(prod, dst, next);
            next->sign = 1 - dst->sign;
        }
    }
    Swap(dst, next);
}

// One half-step: dst.rem = dst.rem mod src.rem, dst's coefficients follow.
void ReduceRow(Row* src, Scratch* s, Row* dst) {
    bn::ZeroUsed(&s->q);
    BnDivMagnitude(&dst->rem, &src->rem, &s->q, &s->rem);
    Swap(&dst->rem, &s->rem);
    if (BnIsZero(&s->q)) return;
    if (!BnIsZero(&src->u)) UpdateCoefficient(&src->u, s, &dst->u);
    if (!BnIsZero(&src->v)) UpdateCoefficient(&src->v, s, &dst->v);
}
}  // namespace

// see bignum.h
int32_t BnExtendedGcd(BigNum* a, BigNum* b, BigNum* x, BigNum* y, BigNum* g) {
    // 1. Ten records of the longer operand plus two words: every remainder,
    //    quotient and coefficient of the sequence is at most the larger
    //    operand, and every product q·coefficient at most twice it.
    uint32_t c = (a->used > b->used ? a->used : b->used) + 2;
    Row t0{}, t1{};
    Scratch s{};
    BnRelease release{&t0.u, &t0.v, &t0.rem, &t1.u, &t1.v, &t1.rem, &s.q, &s.prod, &s.coef, &s.rem};
    for (uint32_t i = 0; i < release.n; ++i)
        if (BnAlloc(c, release.nums[i]) != 0) return -1;

    // 2. (U1, V1, R0) = (1, 0, b) and (U2, V2, R1) = (0, 1, a).
    t0.u.words[0] = 1;
    BnCopy(b, &t0.rem);
    t1.v.words[0] = 1;
    BnCopy(a, &t1.rem);
    bn::NormaliseIfNeeded(&t0.rem);  // so that a zero operand is seen as zero
    bn::NormaliseIfNeeded(&t1.rem);

    // 3. Alternate the two remainders until one reaches zero; the last
    //    non-zero remainder and its coefficients end up in t0.
    while (!BnIsZero(&t1.rem)) {
        ReduceRow(&t1, &s, &t0);
        if (BnIsZero(&t0.rem)) {
            Row swap = t0;
            t0 = t1;
            t1 = swap;
            break;
        }
        ReduceRow(&t0, &s, &t1);
    }

    // 4. g = R0, x = V1 (coefficient of a), y = U1.
    BnCopy(&t0.rem, g);
    BnCopy(&t0.v, x);
    BnCopy(&t0.u, y);
    return 0;
}
