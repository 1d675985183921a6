// Shifts of a magnitude by 1 to 31 bits, in place or into another record.
#include "bignum.h"
#include "bn_kernels.h"

// see bignum.h
void BnShiftLeft(uint32_t s, const BigNum* a, BigNum* r) {
    uint32_t u = a->used;
    uint32_t* rw = r->words;
    const uint32_t* aw = a->words;
    uint32_t used = u;
    // The word above the top one is written first, so in-place shifting reads
    // every source word before it is overwritten (top down).
    if (u < r->capacity) {
        rw[u] = aw[u - 1] >> (32 - s);
        if (rw[u] != 0) used = u + 1;
    }
    for (uint32_t i = u - 1; i > 0; --i) rw[i] = (aw[i] << s) | (aw[i - 1] >> (32 - s));
    rw[0] = aw[0] << s;
    for (uint32_t i = used; i < r->capacity; ++i) rw[i] = 0;
    bn::Normalise(r);
}

// see bignum.h
void BnShiftRight(uint32_t s, const BigNum* a, BigNum* r) {
    uint32_t u = a->used;
    uint32_t* rw = r->words;
    const uint32_t* aw = a->words;
    for (uint32_t i = 0; i + 1 < u; ++i) rw[i] = (aw[i] >> s) | (aw[i + 1] << (32 - s));
    rw[u - 1] = aw[u - 1] >> s;
    uint32_t used = (rw[u - 1] != 0 || u < 2) ? u : u - 1;
    for (uint32_t i = used; i < r->capacity; ++i) rw[i] = 0;
    bn::Normalise(r);
}
