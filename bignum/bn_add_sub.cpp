// Magnitude addition and subtraction, and their one-word forms.
#include "bignum.h"
#include "bn_kernels.h"

// see bignum.h
void BnAddMagnitude(const BigNum* a, const BigNum* b, BigNum* r) {
    const BigNum* longer = a->used >= b->used ? a : b;
    const BigNum* shorter = a->used >= b->used ? b : a;
    if (longer->used < r->capacity) {
        // Room for every word and the carry: the common words two at a time.
        uint32_t i = shorter->used;
        uint32_t carry = bn::AddWords(r->words, longer->words, shorter->words, i);
        for (; i < longer->used; ++i) {
            uint32_t w = longer->words[i] + carry;
            carry = w < carry ? 1 : 0;
            r->words[i] = w;
        }
        if (carry != 0) r->words[i] = 1;
        bn::Normalise(r);
        return;
    }
    uint64_t carry = 0;
    for (uint32_t i = 0; i < r->capacity; ++i) {
        if (i >= a->used && i >= b->used) {
            // Both operands exhausted: only a pending carry is still written.
            if (carry != 0) r->words[i] = 1;
            break;
        }
        uint64_t t = carry;
        if (i < a->used) t += a->words[i];
        if (i < b->used) t += b->words[i];
        r->words[i] = static_cast<uint32_t>(t);
        carry = t >> 32;
    }
    bn::Normalise(r);
}

// see bignum.h
void BnSubMagnitude(const BigNum* a, const BigNum* b, BigNum* r) {
    uint32_t borrow = 0;
    for (uint32_t i = 0; i < a->used; ++i) {
        uint64_t t = static_cast<uint64_t>(a->words[i]) - (i < b->used ? b->words[i] : 0) - borrow;
        r->words[i] = static_cast<uint32_t>(t);
        borrow = static_cast<uint32_t>(t >> 63);
    }
    bn::Normalise(r);
}

// see bignum.h
void BnSubWord(const BigNum* a, uint32_t w, BigNum* r) {
    uint32_t borrow = a->words[0] < w ? 1 : 0;
    r->words[0] = a->words[0] - w;
    for (uint32_t i = 1; i < a->used; ++i) {
        uint32_t x = a->words[i];
        r->words[i] = x - borrow;
        borrow = (x < borrow) ? 1 : 0;
    }
    bn::Normalise(r);
}

// see bignum.h
uint32_t BnWordsAddWord(const uint32_t* src, uint32_t w, uint32_t* dst, uint32_t n) {
    uint64_t t = static_cast<uint64_t>(src[0]) + w;
    dst[0] = static_cast<uint32_t>(t);
    uint32_t carry = static_cast<uint32_t>(t >> 32);
    for (uint32_t i = 1; i < n; ++i) {
        uint32_t x = src[i] + carry;
        carry = (x < carry) ? 1 : 0;
        dst[i] = x;
    }
    return carry;
}
