// BnIsOne: the value one, as every normalised record holds it.
#include "bignum.h"

// see bignum.h
bool BnIsOne(const BigNum* a) { return a->used == 1 && a->words[0] == 1; }
