// see rsa.h
#include "rsa.h"

namespace {
// Lowers `used` past high zero words: BnFromOctets counts leading zero octets,
// and the signed operations want normalised operands.
void Normalise(BigNum* a) {
    uint32_t bits;
    BnBitLength(a, &bits);
}

// W = n + 1, n normalised. A carry out of the top word (n = 2^32k - 1) lands
// in the word above; W has 2w words, so there is room.
void SetModulusPlusOne(const BigNum* N, BigNum* W) {
    BnCopy(N, W);
    if (BnWordsAddWord(W->words, 1, W->words, W->used) != 0) {
        W->words[W->used] = 1;
        ++W->used;
    }
}
}  // namespace

int32_t CrtCore(PrivateKeyWork* k) {
    // The two half-size exponentiations. IN may exceed n; reducing it
    //       modulo each prime first makes that harmless.
    if (BnMod(&k->IN, &k->P, &k->T1) != 0) return -1;
    if (BnModExp(&k->T1, &k->DP, &k->P, &k->M1) != 0) return -1;
    if (BnMod(&k->IN, &k->Q, &k->T2) != 0) return -1;
    if (BnModExp(&k->T2, &k->DQ, &k->Q, &k->M2) != 0) return -1;

    // H = qInv·q: 1 modulo p, 0 modulo q.
    Normalise(&k->QINV);
    if (BnMul(&k->QINV, &k->Q, &k->H) != 0) return -1;

    // V = M1·H mod n.
    if (BnMul(&k->M1, &k->H, &k->V) != 0 || BnMod(&k->V, &k->N, &k->V) != 0) return -1;

    // W = n + 1 - qInv·q: 0 modulo p, 1 modulo q, and positive because
    //       qInv < p makes qInv·q < n.
    SetModulusPlusOne(&k->N, &k->W);  // N is normalised by the reduction in 6
    if (BnSub(&k->W, &k->H, &k->W) != 0) return -1;

    // W = M2·W mod n.
    if (BnMul(&k->M2, &k->W, &k->W) != 0 || BnMod(&k->W, &k->N, &k->W) != 0) return -1;

    // M = (V + W) mod n: M1 modulo p and M2 modulo q.
    if (BnAdd(&k->V, &k->W, &k->H) != 0) return -1;
    return BnMod(&k->H, &k->N, &k->M);
}
