// The extended Euclid as first written, one temporary per signed operation:
// the reference the faster BnExtendedGcd is compared with. The remainder
// sequence starts from (b, a) and carries the coefficients of both operands.
#include "bn_extended_gcd_reference.h"
#include "bn_kernels.h"
#include "bn_release.h"

namespace {
// One coefficient triple: rem = u·b + v·a.
struct Triple {
    BigNum u, v, rem;
};

// dst = dst - q·src for both coefficients of a triple.
int32_t UpdateCoefficients(const Triple& src, const BigNum* q, BigNum* p, Triple* dst) {
    if (BnMul(&src.u, q, p) != 0 || BnSub(&dst->u, p, &dst->u) != 0) return -1;
    if (BnMul(&src.v, q, p) != 0 || BnSub(&dst->v, p, &dst->v) != 0) return -1;
    return 0;
}

// One half-step: dst.rem = dst.rem mod src.rem and its coefficients follow.
int32_t ReduceTriple(Triple* src, BigNum* q, BigNum* p, Triple* dst) {
    if (BnDivide(&dst->rem, &src->rem, q, &dst->rem) != 0) return -1;
    return UpdateCoefficients(*src, q, p, dst);
}
}  // namespace

// see bn_extended_gcd_reference.h
int32_t BnExtendedGcdReference(BigNum* a, BigNum* b, BigNum* x, BigNum* y, BigNum* g) {
    // 1. Eight temporaries of twice the longer operand, plus one word.
    uint32_t c = 2 * (a->used > b->used ? a->used : b->used) + 1;
    Triple t0{}, t1{};
    BigNum p{}, q{};
    BnRelease release{&t0.u, &t0.v, &t0.rem, &t1.u, &t1.v, &t1.rem, &p, &q};
    if (BnAlloc(c, &t0.u) != 0 || BnAlloc(c, &t0.v) != 0 || BnAlloc(c, &t0.rem) != 0 ||
        BnAlloc(c, &t1.u) != 0 || BnAlloc(c, &t1.v) != 0 || BnAlloc(c, &t1.rem) != 0 ||
        BnAlloc(c, &p) != 0 || BnAlloc(c, &q) != 0)
        return -1;

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
        if (ReduceTriple(&t1, &q, &p, &t0) != 0) return -1;
        if (BnIsZero(&t0.rem)) {
            Triple swap = t0;
            t0 = t1;
            t1 = swap;
            break;
        }
        if (ReduceTriple(&t0, &q, &p, &t1) != 0) return -1;
    }

    // 4. g = R0, x = V1 (coefficient of a), y = U1.
    BnCopy(&t0.rem, g);
    BnCopy(&t0.v, x);
    BnCopy(&t0.u, y);
    return 0;
}
