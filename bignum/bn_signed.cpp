// Signed addition, subtraction and multiplication. Each answer is formed in a
// temporary and copied out at the end, so the result may be an operand.
#include "bignum.h"
#include "bn_release.h"

namespace {
// T = |a| - |b| or |b| - |a|, whichever is not negative, with the sign of the
// larger operand given by signA / signB; equal magnitudes give zero, sign 0.
void SubtractSmallerFromLarger(const BigNum* a, const BigNum* b, uint32_t signA, uint32_t signB,
                               BigNum* t) {
    int32_t cmp = BnCompareMagnitude(*a, *b);
    if (cmp == 0) return;  // t is still the fresh zero
    if (cmp > 0) {
        BnSubMagnitude(a, b, t);
        t->sign = signA;
    } else {
        BnSubMagnitude(b, a, t);
        t->sign = signB;
    }
}

uint32_t Larger(uint32_t x, uint32_t y) { return x > y ? x : y; }
}  // namespace

// see bignum.h
int32_t BnAdd(const BigNum* a, const BigNum* b, BigNum* r) {
    BigNum t{};
    BnRelease release{&t};
    if (BnAlloc(Larger(a->used, b->used) + 1, &t) != 0) return -1;
    if (a->sign == b->sign) {
        BnAddMagnitude(a, b, &t);
        t.sign = a->sign;
    } else {
        SubtractSmallerFromLarger(a, b, a->sign, b->sign, &t);
    }
    BnCopy(&t, r);
    return 0;
}

// see bignum.h
int32_t BnSub(const BigNum* a, const BigNum* b, BigNum* r) {
    BigNum t{};
    BnRelease release{&t};
    if (BnAlloc(Larger(a->used, b->used) + 1, &t) != 0) return -1;
    if (a->sign != b->sign) {
        BnAddMagnitude(a, b, &t);
        t.sign = a->sign;
    } else {
        // a - b with b's sign flipped: the larger magnitude decides the sign.
        SubtractSmallerFromLarger(a, b, a->sign, 1 - a->sign, &t);
    }
    BnCopy(&t, r);
    return 0;
}

// see bignum.h
int32_t BnMul(const BigNum* a, const BigNum* b, BigNum* r) {
    BigNum t{};
    BnRelease release{&t};
    if (BnAlloc(a->used + b->used, &t) != 0) return -1;
    // The operand with more words goes first (a on a tie).
    if (b->used > a->used) {
        BnMulMagnitude(b, a, &t);
    } else {
        BnMulMagnitude(a, b, &t);
    }
    // Opposite signs make the product negative, a zero product included.
    t.sign = (a->sign != b->sign) ? 1 : 0;
    BnCopy(&t, r);
    return 0;
}
