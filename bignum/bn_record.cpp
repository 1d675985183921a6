// BigNum records: allocation, release with clearing, zeroing and copying.
#include "bignum.h"
#include "clear_secret.h"
#include "heap.h"

// see bignum.h
int32_t BnAlloc(uint32_t capacity, BigNum* a) {
    uint32_t* words = HeapAllocateWords(capacity);
    if (words == nullptr) return -1;
    a->words = words;  // the heap hands out zeroed words
    a->capacity = capacity;
    a->used = 1;
    a->sign = 0;
    return 0;
}

// see bignum.h
void BnFree(BigNum* a) {
    if (a->capacity > 0) {
        ClearSecret(a->words, size_t{a->capacity} * sizeof(uint32_t));
        a->sign = 0;
    }
    HeapReleaseWords(a->words, a->capacity);
    a->words = nullptr;
    a->capacity = 0;
    a->used = 0;
}

// see bignum.h
void BnZero(BigNum* a) {
    for (uint32_t i = 0; i < a->capacity; ++i) a->words[i] = 0;
    a->used = 1;
    a->sign = 0;
}

// see bignum.h
void BnCopy(const BigNum* s, BigNum* d) {
    if (s == d) return;
    if (d->capacity > s->used) {
        uint32_t i = 0;
        for (; i < s->used; ++i) d->words[i] = s->words[i];
        for (; i < d->capacity; ++i) d->words[i] = 0;
        d->used = s->used;
    } else {
        // Too small: the high words are dropped without a report.
        for (uint32_t i = 0; i < d->capacity; ++i) d->words[i] = s->words[i];
        d->used = d->capacity;
    }
    d->sign = s->sign;
}
