// BnDivide, BnDiv and BnMod: quotient and remainder of non-negative BigNums,
// formed in temporaries and copied out, so a result may be an operand
// (BnDivide: r, not q).
#include "bignum.h"
#include "bn_kernels.h"
#include "bn_release.h"

namespace {
// Capacity of a quotient temporary of a / b: never below 1.
uint32_t QuotientWords(const BigNum* a, const BigNum* b) {
    return a->used < b->used ? 1 : a->used - b->used + 1;
}

// Q = a / b, R = a mod b into fresh temporaries (Q first). The operands are
// normalised before the capacities are taken from them, so a divisor with
// leading zero words cannot make the quotient outgrow Q.
int32_t DivideInto(BigNum* a, BigNum* b, uint32_t qWords, BigNum* q, BigNum* r) {
    if (BnAlloc(qWords, q) != 0 || BnAlloc(a->used + 1, r) != 0) return -1;
    BnDivMagnitude(a, b, q, r);
    return 0;
}
}  // namespace

// see bignum.h
int32_t BnDivide(BigNum* a, BigNum* b, BigNum* q, BigNum* r) {
    bn::NormaliseIfNeeded(a);
    bn::NormaliseIfNeeded(b);
    if (a->used < b->used) {
        BnZero(q);
        BnCopy(a, r);
        return 0;
    }
    BigNum tq{}, tr{};
    BnRelease release{&tq, &tr};
    uint32_t qWords = a->used == b->used ? 2 : a->used - b->used + 1;
    if (DivideInto(a, b, qWords, &tq, &tr) != 0) return -1;
    BnCopy(&tq, q);
    BnCopy(&tr, r);
    return 0;
}

namespace {
// q = a / b and r = a mod b where wanted (a null result is not written).
int32_t DivideOut(BigNum* a, BigNum* b, BigNum* q, BigNum* r) {
    bn::NormaliseIfNeeded(a);
    bn::NormaliseIfNeeded(b);
    BigNum tq{}, tr{};
    BnRelease release{&tq, &tr};
    if (DivideInto(a, b, QuotientWords(a, b), &tq, &tr) != 0) return -1;
    if (q != nullptr) BnCopy(&tq, q);
    if (r != nullptr) BnCopy(&tr, r);
    return 0;
}
}  // namespace

// see bignum.h
int32_t BnDiv(BigNum* a, BigNum* b, BigNum* q) { return DivideOut(a, b, q, nullptr); }

// see bignum.h
int32_t BnMod(BigNum* a, BigNum* b, BigNum* r) { return DivideOut(a, b, nullptr, r); }
