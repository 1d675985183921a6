// Division of a magnitude by one word.
#include "bignum.h"
#include "bn_kernels.h"

// see bignum.h
uint32_t BnDivWord(const BigNum* a, uint32_t w, BigNum* q) {
    BnZero(q);
    uint32_t u = a->used;
    if (u == 1) {
        // A zero dividend is answered without dividing, even by w = 0.
        if (a->words[0] == 0) return 0;
        q->words[0] = a->words[0] / w;
        return a->words[0] % w;
    }
    uint64_t rem = a->words[u - 1];
    if (rem >= w) {
        q->words[u - 1] = static_cast<uint32_t>(rem / w);
        rem %= w;
    }
    // rem < w throughout, so each 64-by-32-bit quotient fits one word.
    for (uint32_t i = u - 1; i-- > 0;) {
        uint64_t x = (rem << 32) | a->words[i];
        q->words[i] = static_cast<uint32_t>(x / w);
        rem = x % w;
    }
    bn::Normalise(q);
    return static_cast<uint32_t>(rem);
}
