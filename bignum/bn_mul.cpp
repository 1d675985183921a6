// Magnitude multiplication, and multiplication by one word.
#include "bignum.h"
#include "bn_kernels.h"

// see bignum.h
void BnMulMagnitude(const BigNum* a, const BigNum* b, BigNum* r) {
    // Schoolbook rows over a, two words (one 64-bit limb) per row. r starts at
    // zero, so each row's carry is assigned to the word pair above the row.
    bn::MulWords(r->words, a->words, a->used, b->words, b->used);
    bn::Normalise(r);
}

// see bignum.h
void BnMulWord(const BigNum* a, uint32_t w, BigNum* r) {
    uint32_t carry = 0;
    uint32_t u = a->used;  // read before r (possibly a) is written
    for (uint32_t i = 0; i < u; ++i) {
        uint64_t t = static_cast<uint64_t>(a->words[i]) * w + carry;
        r->words[i] = static_cast<uint32_t>(t);
        carry = static_cast<uint32_t>(t >> 32);
    }
    r->words[u] = carry;  // written even when zero
    bn::Normalise(r);
}
