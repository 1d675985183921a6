// BigNum records: allocation, release with clearing, zeroing and copying.
#include "bignum.h"
#include "heap.h"

namespace {
// A memset right before the release is a dead store the optimiser may delete;
// volatile stores are never elided. The heap's arrays are 8-byte aligned, so
// the words are cleared two at a time.
typedef uint64_t __attribute__((may_alias)) WordPair;

void WipeWords(uint32_t* words, uint32_t count) {
    volatile WordPair* pairs = reinterpret_cast<volatile WordPair*>(words);
    for (uint32_t i = 0; i < count / 2; ++i) pairs[i] = 0;
    if (count % 2 != 0) {
        volatile uint32_t* last = words + count - 1;
        *last = 0;
    }
}
}  // namespace

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
        WipeWords(a->words, a->capacity);
        a->used = 1;
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
