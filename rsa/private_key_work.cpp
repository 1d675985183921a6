// see rsa.h
#include "rsa.h"

int32_t AllocPrivateKeyWork(const PrivateKeyArgs& args, uint32_t w, PrivateKeyWork* k) {
    // Thirteen records of w + 1 words, then the three product records of 2w:
    // a product of two values below n never needs more.
    BigNum* small[] = {&k->D, &k->N, &k->P, &k->Q, &k->DP, &k->DQ, &k->QINV,
                       &k->IN, &k->T1, &k->T2, &k->M1, &k->M2, &k->M};
    for (BigNum* b : small)
        if (BnAlloc(w + 1, b) != 0) return -1;
    if (BnAlloc(2 * w, &k->H) != 0 || BnAlloc(2 * w, &k->V) != 0 || BnAlloc(2 * w, &k->W) != 0)
        return -1;

    // used = ceil(length / 4) each, so N.used = w here.
    BnFromOctets(&k->D, args.d);
    BnFromOctets(&k->N, args.n);
    BnFromOctets(&k->IN, args.input);
    BnFromOctets(&k->P, args.p);
    BnFromOctets(&k->Q, args.q);
    BnFromOctets(&k->DP, args.dP);
    BnFromOctets(&k->DQ, args.dQ);
    BnFromOctets(&k->QINV, args.qInv);
    return 0;
}
