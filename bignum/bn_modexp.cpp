// Modular exponentiation: left to right over the exponent in windows of two
// bits, with the cube of the base as the only precomputed power. Every
// reduction is a full long division whose quotient is thrown away. The
// squarings work in two scratch records allocated with the others, so the
// loop itself never allocates.
#include "bignum.h"
#include "bn_kernels.h"
#include "bn_release.h"

namespace {
// Working records of one exponentiation.
struct ModExpState {
    BigNum* acc;      // A: the accumulator, below the modulus after each step
    BigNum* product;  // P: every product before its reduction
    BigNum* quot;     // Q: quotient scratch, zeroed before each division
    BigNum* modulus;  // M: shifted and restored by each division
    BigNum* cross;    // squaring scratch
    BigNum* limbs;    // squaring scratch
};

// A = P mod M.
void Reduce(const ModExpState& st) {
    bn::ZeroUsed(st.quot);
    BnDivMagnitude(st.product, st.modulus, st.quot, st.acc);
}

// P = f², as BnSquare computes it.
void Square(const ModExpState& st, const BigNum* f) {
    BnSquareWithScratch(f, st.product, st.cross, st.limbs);
}

// A = A² mod M.
void SquareStep(const ModExpState& st) {
    Square(st, st.acc);
    Reduce(st);
}

// A = A·f mod M.
void MultiplyStep(const ModExpState& st, const BigNum* f) {
    bn::ZeroUsed(st.product);
    BnMulMagnitude(st.acc, f, st.product);
    Reduce(st);
}

// One window of two exponent bits t (0 to 3), after the squaring that every
// window starts with. t = 2 is square, multiply by g, square, so that no
// power g² is ever kept.
void ApplyWindow(const ModExpState& st, uint32_t t, const BigNum* g, const BigNum* cube) {
    if (t == 2) {
        MultiplyStep(st, g);
        SquareStep(st);
        return;
    }
    SquareStep(st);
    if (t == 1) MultiplyStep(st, g);
    if (t == 3) MultiplyStep(st, cube);
}
}  // namespace

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

    // 1. Accumulator, product, quotient scratch, cube of the base, and the
    //    squaring's scratch.
    if (BnAlloc(2 * n, &a) != 0 || BnAlloc(2 * n, &p) != 0 || BnAlloc(n + 1, &q) != 0 ||
        BnAlloc(2 * n, &d) != 0 || BnAlloc(2 * n, &cross) != 0 || BnAlloc(2 * n, &limbs) != 0)
        return -1;
    ModExpState st{&a, &p, &q, modulus, &cross, &limbs};

    // 2-3. A = 1; align the exponent's top bit with bit 31 of x.
    uint32_t bits = 0;
    BnBitLength(exponent, &bits);
    a.words[0] = 1;
    uint32_t wordCount = bits / 32 + (bits % 32 != 0 ? 1 : 0);
    uint32_t left = bits % 32 == 0 ? 32 : bits % 32;
    uint32_t x = 0;
    if (wordCount > 0) x = left == 32 ? exponent->words[wordCount - 1]
                                      : exponent->words[wordCount - 1] << (32 - left);

    // 4. An odd number of bits in the top word: its leading 1 alone (A = g).
    if (left % 2 == 1) {
        x <<= 1;
        BnMulMagnitude(&a, &g, &p);
        Reduce(st);
        --left;
    }

    // 5. D = g³ mod M, from the unreduced g² (the base is below M here).
    Square(st, &g);
    bn::ZeroUsed(&q);
    BnDivMagnitude(&p, modulus, &q, &d);
    bn::ZeroUsed(&p);
    BnMulMagnitude(&d, &g, &p);
    bn::ZeroUsed(&q);
    BnDivMagnitude(&p, modulus, &q, &d);

    // 6. Two bits at a time, from the top word down.
    for (uint32_t w = wordCount; w-- > 0;) {
        if (w + 1 != wordCount) {
            x = exponent->words[w];
            left = 32;
        }
        while (left != 0) {
            left -= 2;
            SquareStep(st);
            uint32_t t = x >> 30;
            x <<= 2;
            ApplyWindow(st, t, &g, &d);
        }
    }

    // 7. The result leaves through a copy, so r may be an input.
    BnCopy(&a, r);
    return 0;
}
