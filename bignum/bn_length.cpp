// Significant octets and bits of a magnitude.
#include "bignum.h"
#include "bn_kernels.h"

// see bignum.h
void BnByteLength(BigNum* a, uint32_t* length) {
    bn::NormaliseIfNeeded(a);
    uint32_t top = a->words[a->used - 1];
    if (top == 0) {
        *length = 0;
        return;
    }
    uint32_t k = 0;
    for (; top != 0; top >>= 8) ++k;
    *length = 4 * (a->used - 1) + k;
}

// see bignum.h
void BnBitLength(BigNum* a, uint32_t* length) {
    bn::NormaliseIfNeeded(a);
    uint32_t top = a->words[a->used - 1];
    if (top == 0) {
        *length = 0;
        return;
    }
    *length = 32 * (a->used - 1) + (32 - static_cast<uint32_t>(__builtin_clz(top)));
}
