// BnModMul: a product reduced modulo n, both formed in temporaries.
#include "bignum.h"
#include "bn_release.h"

// see bignum.h
int32_t BnModMul(const BigNum* A, const BigNum* B, BigNum* N, BigNum* Z) {
    BigNum U{}, K{};
    BnRelease release{&U, &K};
    // U holds the whole product; K the remainder, below n.
    if (BnAlloc(A->used + B->used + 1, &U) != 0 || BnAlloc(N->used + 1, &K) != 0) return -1;
    if (BnMul(A, B, &U) != 0 || BnMod(&U, N, &K) != 0) return -1;
    BnCopy(&K, Z);
    return 0;
}
