// Magnitude comparison.
#include "bignum.h"

// see bignum.h
int32_t BnCompareMagnitude(BigNum a, BigNum b) {
    if (a.used != b.used) return a.used > b.used ? 1 : -1;
    for (uint32_t i = a.used; i-- > 0;) {
        if (a.words[i] != b.words[i]) return a.words[i] > b.words[i] ? 1 : -1;
    }
    return 0;
}
