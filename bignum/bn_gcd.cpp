// Greatest common divisor by Euclid's remainder sequence.
#include "bignum.h"
#include "bn_kernels.h"
#include "bn_release.h"

// see bignum.h
int32_t BnGcd(BigNum* a, BigNum* b, BigNum* r) {
    bn::NormaliseIfNeeded(a);
    bn::NormaliseIfNeeded(b);
    if (BnIsZero(a) || BnIsZero(b)) return 0;  // r left as it was

    uint32_t c = (a->used > b->used ? a->used : b->used) + 1;
    BigNum x{}, y{}, rem{}, q{};
    BnRelease release{&x, &y, &rem, &q};
    if (BnAlloc(c, &x) != 0 || BnAlloc(c, &y) != 0 || BnAlloc(c, &rem) != 0 ||
        BnAlloc(c, &q) != 0)
        return -1;
    BnCopy(a, &x);
    BnCopy(b, &y);
    // When x < y the first division leaves rem = x and the next step swaps.
    for (;;) {
        BnZero(&q);
        BnDivMagnitude(&x, &y, &q, &rem);
        if (BnIsZero(&rem)) break;
        BnCopy(&y, &x);
        BnCopy(&rem, &y);
    }
    BnCopy(&y, r);
    return 0;
}
