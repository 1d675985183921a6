// BnIsZero: the value zero, as every normalised record holds it.
#include "bignum.h"

// see bignum.h
bool BnIsZero(const BigNum* a) { return a->used == 1 && a->words[0] == 0; }
