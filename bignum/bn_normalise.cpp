// BnNormalise: the conditional normalisation, for callers outside bignum/.
#include "bignum.h"
#include "bn_kernels.h"

// see bignum.h
void BnNormalise(BigNum* a) { bn::NormaliseIfNeeded(a); }
