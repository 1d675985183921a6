// Modular exponentiation in lent records: left to right over the exponent in
// windows of two bits, with the cube of the base as the only precomputed
// power. Every reduction is a full long division whose quotient is thrown
// away; the squarings work in the two scratch records, so nothing allocates.
#include "bignum.h"
#include "bn_kernels.h"

namespace {
// acc = product mod modulus.
void Reduce(BigNum* modulus, const BnPowerWork* w) {
    bn::ZeroUsed(w->quotient);
    BnDivMagnitude(w->product, modulus, w->quotient, w->acc);
}

// product = f², as BnSquare computes it.
void Square(const BigNum* f, const BnPowerWork* w) {
    BnSquareWithScratch(f, w->product, w->cross, w->limbs);
}

// acc = acc·f mod modulus.
void MultiplyStep(const BigNum* f, BigNum* modulus, const BnPowerWork* w) {
    bn::ZeroUsed(w->product);
    BnMulMagnitude(w->acc, f, w->product);
    Reduce(modulus, w);
}

// One window of two exponent bits t (0 to 3), after the squaring that every
// window starts with. t = 2 is multiply by g, then square, so that no power
// g² is ever kept.
void ApplyWindow(uint32_t t, const BigNum* g, BigNum* modulus, const BnPowerWork* w) {
    if (t == 2) {
        MultiplyStep(g, modulus, w);
        BnModSquareWithWork(modulus, w);
        return;
    }
    BnModSquareWithWork(modulus, w);
    if (t == 1) MultiplyStep(g, modulus, w);
    if (t == 3) MultiplyStep(w->cube, modulus, w);
}
}  // namespace

// see bignum.h
void BnModSquareWithWork(BigNum* modulus, const BnPowerWork* w) {
    Square(w->acc, w);
    Reduce(modulus, w);
}

// see bignum.h
void BnModExpWithWork(const BigNum* g, BigNum* exponent, BigNum* modulus, const BnPowerWork* w) {
    // acc = 1; align the exponent's top bit with bit 31 of x.
    uint32_t bits = 0;
    BnBitLength(exponent, &bits);
    bn::ZeroUsed(w->acc);
    w->acc->words[0] = 1;
    uint32_t wordCount = bits / 32 + (bits % 32 != 0 ? 1 : 0);
    uint32_t left = bits % 32 == 0 ? 32 : bits % 32;
    uint32_t x = 0;
    if (wordCount > 0) x = left == 32 ? exponent->words[wordCount - 1]
                                      : exponent->words[wordCount - 1] << (32 - left);

    // An odd number of bits in the top word: its leading 1 alone (acc = g).
    if (left % 2 == 1) {
        x <<= 1;
        MultiplyStep(g, modulus, w);
        --left;
    }

    // cube = g³ mod modulus, from the unreduced g² (g is below the modulus).
    Square(g, w);
    bn::ZeroUsed(w->quotient);
    BnDivMagnitude(w->product, modulus, w->quotient, w->cube);
    bn::ZeroUsed(w->product);
    BnMulMagnitude(w->cube, g, w->product);
    bn::ZeroUsed(w->quotient);
    BnDivMagnitude(w->product, modulus, w->quotient, w->cube);

    // Two bits at a time, from the top word down.
    for (uint32_t i = wordCount; i-- > 0;) {
        if (i + 1 != wordCount) {
            x = exponent->words[i];
            left = 32;
        }
        while (left != 0) {
            left -= 2;
            BnModSquareWithWork(modulus, w);
            uint32_t t = x >> 30;
            x <<= 2;
            ApplyWindow(t, g, modulus, w);
        }
    }
}
