// Modular exponentiation: the records of BnModExpWithWork allocated here, for
// any base (reduced first when not below the modulus).
#include "bignum.h"
#include "bn_kernels.h"
#include "bn_release.h"

// see bignum.h
int32_t BnModExp(const BigNum* base, BigNum* exponent, BigNum* modulus, BigNum* r) {
    // The capacities follow the modulus record as given (leading zero words
    // included); every product below is of two values under the modulus, so
    // 2n words hold it even after the division's normalisation shift.
    uint32_t n = modulus->used;
    bn::NormaliseIfNeeded(modulus);
    if (BnIsZero(modulus)) return -1;
    if (modulus->used > n) n = modulus->used;  // a record that broke the invariant

    BigNum a{}, p{}, q{}, d{}, reduced{}, scratch{}, cross{}, limbs{};
    BnRelease release{&a, &p, &q, &d, &reduced, &scratch, &cross, &limbs};

    // A base not below the modulus is reduced first, so the products stay
    // within 2n words and their quotients within n + 1.
    BigNum g = *base;  // a view: only its `used` changes
    BnNormalise(&g);
    if (BnCompareMagnitude(g, *modulus) >= 0) {
        if (BnAlloc(g.used + 1, &reduced) != 0 ||
            BnAlloc(g.used - modulus->used + 1, &scratch) != 0)
            return -1;
        BnDivMagnitude(&g, modulus, &scratch, &reduced);
        g = reduced;
    }

    // Accumulator, product, quotient scratch, cube of the base, and the
    // squaring's scratch.
    if (BnAlloc(2 * n, &a) != 0 || BnAlloc(2 * n, &p) != 0 || BnAlloc(n + 1, &q) != 0 ||
        BnAlloc(2 * n, &d) != 0 || BnAlloc(2 * n, &cross) != 0 || BnAlloc(2 * n, &limbs) != 0)
        return -1;
    const BnPowerWork work{&a, &p, &q, &d, &cross, &limbs};
    BnModExpWithWork(&g, exponent, modulus, &work);

    // The result leaves through a copy, so r may be an input.
    BnCopy(&a, r);
    return 0;
}
