// bn_extended_gcd_reference.h: the straightforward extended Euclid, kept in
// the test build as the reference for BnExtendedGcd (same contract).
#ifndef KXRSA_TESTS_REFERENCE_BN_EXTENDED_GCD_REFERENCE_H
#define KXRSA_TESTS_REFERENCE_BN_EXTENDED_GCD_REFERENCE_H

#include "bignum.h"

int32_t BnExtendedGcdReference(BigNum* a, BigNum* b, BigNum* x, BigNum* y, BigNum* g);

#endif
