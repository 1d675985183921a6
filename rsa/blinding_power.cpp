// R^E mod n for the blinding: by the two prime factors when the key's CRT
// components describe n, else by one exponentiation modulo n (see rsa.h).
#include <initializer_list>

#include "rsa.h"

namespace {
// True when |a| is the one-word value w (a normalised).
bool Equals(const BigNum* a, uint32_t w) { return a->used == 1 && a->words[0] == w; }

// T = P·Q, compared with N; U = Q·QINV mod P, compared with 1.
int32_t CheckFactors(BigNum* N, BigNum* P, BigNum* Q, BigNum* QINV, bool* consistent) {
    BigNum T{}, U{};
    BnRelease release{&T, &U};
    if (BnAlloc(P->used + Q->used, &T) != 0 || BnAlloc(Q->used + QINV->used + 1, &U) != 0) return -1;
    BnMulMagnitude(P, Q, &T);
    if (BnCompareMagnitude(T, *N) != 0) return 0;
    if (BnMul(Q, QINV, &U) != 0 || BnMod(&U, P, &U) != 0) return -1;
    *consistent = Equals(&U, 1);
    return 0;
}

// S = Sq + q·((Sp - Sq)·qInv mod p), built from non-negative steps: Sq is
// reduced modulo p first and p added when Sp is below it.
int32_t Recombine(BigNum* Sp, BigNum* Sq, BigNum* P, const BigNum* Q, const BigNum* QINV, BigNum* S) {
    BigNum T{}, H{};
    BnRelease release{&T, &H};
    uint32_t c = P->used + Q->used + QINV->used + 2;
    if (BnAlloc(c, &T) != 0 || BnAlloc(c, &H) != 0) return -1;
    if (BnMod(Sq, P, &T) != 0) return -1;
    if (BnCompareMagnitude(*Sp, T) < 0 && BnAdd(Sp, P, Sp) != 0) return -1;
    if (BnSub(Sp, &T, &H) != 0 || BnMul(&H, QINV, &T) != 0 || BnMod(&T, P, &H) != 0) return -1;
    if (BnMul(&H, Q, &T) != 0 || BnAdd(&T, Sq, &H) != 0) return -1;
    BnCopy(&H, S);
    return 0;
}
}  // namespace

int32_t IsFactorisationConsistent(BigNum* N, BigNum* P, BigNum* Q, BigNum* QINV, bool* consistent) {
    *consistent = false;
    for (BigNum* a : {N, P, Q, QINV}) BnNormalise(a);
    if (Equals(P, 0) || Equals(P, 1) || Equals(Q, 0) || Equals(Q, 1)) return 0;
    return CheckFactors(N, P, Q, QINV, consistent);
}

int32_t BlindingPower(const BigNum* R, BigNum* E, PrivateKeyWork* k, BigNum* S) {
    bool consistent = false;
    if (IsFactorisationConsistent(&k->N, &k->P, &k->Q, &k->QINV, &consistent) != 0) return -1;
    if (!consistent) return BnModExp(R, E, &k->N, S);

    // Both exponentiations take the whole E: nothing here assumes p or q prime.
    BigNum Sp{}, Sq{};
    BnRelease release{&Sp, &Sq};
    if (BnAlloc(k->P.used + 1, &Sp) != 0 || BnAlloc(k->Q.used + 1, &Sq) != 0) return -1;
    if (BnModExp(R, E, &k->P, &Sp) != 0 || BnModExp(R, E, &k->Q, &Sq) != 0) return -1;
    return Recombine(&Sp, &Sq, &k->P, &k->Q, &k->QINV, S);
}
