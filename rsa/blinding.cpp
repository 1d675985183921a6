// The blinding steps around the CRT core: draw R, derive E, blind the input
// with R^E, unblind the result with R^-1 (see rsa.h).
#include "family.h"
#include "rsa.h"

int32_t DrawBlindingFactor(BigNum* R, const BigNum* N) {
    // R has as many words as n and is filled completely, so it can exceed n
    // (always when L is not a multiple of 4: the top word is then full of
    // random bits). Exponentiation handles a base above the modulus exactly.
    if (BnAlloc(N->used, R) != 0) return -1;
    return BnRandom(4 * N->used, R) == 0 ? 0 : -1;
}

int32_t DerivePublicExponent(const BigNum* P, const BigNum* Q, BigNum* D, const BigNum* N, BigNum* E) {
    BigNum A{}, B{}, F{};
    BnRelease release{&A, &B, &F};
    // 1. A, B for p - 1 and q - 1 (later the unused coefficient and gcd); F
    //    for their product; E for the answer, left to the caller.
    if (BnAlloc(P->used, &A) != 0 || BnAlloc(Q->used, &B) != 0 ||
        BnAlloc(P->used + Q->used, &F) != 0 || BnAlloc(N->used + 1, E) != 0)
        return -1;

    // 2. F = (p - 1)(q - 1). Validation keeps p and q non-zero.
    BnSubWord(P, 1, &A);
    BnSubWord(Q, 1, &B);
    if (BnMul(&A, &B, &F) != 0) return -1;

    // 3.-4. E·d + A·F = B = gcd(d, F). The coefficient of F is not needed: a
    //       value too long for A is cut to A's capacity without harm.
    BnZero(&A);
    BnZero(&B);
    if (BnExtendedGcd(D, &F, E, &A, &B) != 0) return -1;

    // 5. The coefficient of d lies in (-F, F); fold it into [0, F).
    if (E->sign != 0 && BnAdd(E, &F, E) != 0) return -1;
    return 0;
}

int32_t BlindInput(PrivateKeyWork* k, const BigNum* R, BigNum* E) {
    BigNum S{}, T{};
    BnRelease release{&S, &T};
    if (BnAlloc(k->N.used, &S) != 0 || BnAlloc(k->N.used, &T) != 0) return -1;
    // IN may carry leading zero words from its octets; the product wants
    // normalised operands.
    BnNormalise(&k->IN);
    if (BlindingPower(R, E, k, &S) != 0 || BnModMul(&k->IN, &S, &k->N, &T) != 0) return -1;
    BnCopy(&T, &k->IN);
    return 0;
}

int32_t UnblindResult(BigNum* X, BigNum* R, BigNum* N) {
    BigNum Z{}, G{}, Y1{}, Y2{};
    BnRelease release{&Z, &G, &Y1, &Y2};
    if (BnAlloc(N->used + 1, &Z) != 0 || BnAlloc(N->used + 1, &G) != 0 ||
        BnAlloc(N->used + 1, &Y1) != 0 || BnAlloc(N->used + 1, &Y2) != 0)
        return -1;
    // G·R + Y1·n = Y2 = gcd(R, n): G is R^-1 modulo n when the gcd is 1,
    // which a random R misses only with negligible chance (nothing checks it).
    if (BnExtendedGcd(R, N, &G, &Y1, &Y2) != 0) return -1;
    if (G.sign != 0 && BnAdd(&G, N, &G) != 0) return -1;
    if (BnModMul(X, &G, N, &Z) != 0) return -1;
    BnCopy(&Z, X);
    return 0;
}
