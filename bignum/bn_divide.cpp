// Long division of magnitudes (Knuth, TAOCP vol. 2, 4.3.1, algorithm D), with
// the quotient digit estimated from the divisor's top word alone and corrected
// afterwards by adding the divisor back.
#include "bignum.h"
#include "bn_kernels.h"

namespace {
// True when r[m..m+n) >= b[0..n), compared from the top.
bool TopPartNotBelow(const uint32_t* r, uint32_t m, const uint32_t* b, uint32_t n) {
    for (uint32_t i = n; i-- > 0;) {
        if (r[m + i] != b[i]) return r[m + i] > b[i];
    }
    return true;
}

// r[0..n) -= b[0..n), the final borrow dropped.
void SubtractWords(uint32_t* r, const uint32_t* b, uint32_t n) {
    uint32_t borrow = 0;
    for (uint32_t i = 0; i < n; ++i) {
        uint64_t t = static_cast<uint64_t>(r[i]) - b[i] - borrow;
        r[i] = static_cast<uint32_t>(t);
        borrow = static_cast<uint32_t>(t >> 63);
    }
}

// Quotient digit j: estimate from the top word, multiply and subtract, then add
// the divisor back while the partial remainder is negative. The estimate never
// undercounts (the divisor's top bit is set) and overcounts by at most 2; each
// round adds back the deficit counted in units of the top word, so the loop
// ends on the true digit. With a normalised divisor that deficit is always 1
// (one or two rounds); the d·b form is kept for the general rule.
// Returns the digit; r[j..j+n] holds the new partial remainder.
uint32_t DivideStep(uint32_t* r, const uint32_t* b, uint32_t n, uint32_t j) {
    uint32_t bt = b[n - 1];
    uint64_t top = r[j + n];
    // top <= bt here, so below bt the quotient fits one word.
    uint32_t qhat = top == bt ? 0xFFFFFFFFu
                              : static_cast<uint32_t>(((top << 32) | r[j + n - 1]) / bt);
    if (qhat == 0) return 0;

    uint64_t c = bn::MulSubRow(r + j, b, n, qhat);
    while (c > top) {
        uint64_t d = c - top;
        uint64_t k = (d == 1) ? bn::AddRow(r + j, b, n)
                              : bn::MulAddRow32(r + j, b, n, static_cast<uint32_t>(d));
        qhat -= static_cast<uint32_t>(d);
        c -= k;
    }
    r[j + n] = static_cast<uint32_t>(top - c);
    return qhat;
}
}  // namespace

// see bignum.h
void BnDivMagnitude(BigNum* a, BigNum* b, BigNum* q, BigNum* r) {
    // 1-2. Normalise both; a below b or equal to it needs no division.
    bn::NormaliseIfNeeded(a);
    bn::NormaliseIfNeeded(b);
    int32_t cmp = BnCompareMagnitude(*a, *b);
    if (cmp < 0) {
        BnCopy(a, r);  // q stays zero
        return;
    }
    if (cmp == 0) {
        BnZero(r);
        q->words[0] = 1;  // q was zero with used 1, so it now reads 1
        return;
    }
    // 3. A one-word divisor is the short division.
    if (b->used == 1) {
        BnZero(r);
        r->words[0] = BnDivWord(a, b->words[0], q);
        return;
    }
    // 4-5. r = a (sign included), shifted with b until b's top bit is set;
    // the shift copies a straight into r.
    uint32_t n = b->used;
    uint32_t s = static_cast<uint32_t>(__builtin_clz(b->words[n - 1]));
    if (s > 0) {
        BnShiftLeft(s, a, r);
        r->sign = a->sign;
        BnShiftLeft(s, b, b);
    } else {
        BnCopy(a, r);
    }
    // 6-7. Top quotient word: 0 or 1. When the shift gave r a new top word,
    // that word is below b's top word and the comparison fails.
    uint32_t m = r->used - n;
    if (TopPartNotBelow(r->words, m, b->words, n)) {
        q->words[m] = 1;
        SubtractWords(r->words + m, b->words, n);
    }
    // 8. The remaining digits, from the top.
    for (uint32_t j = m; j-- > 0;) q->words[j] = DivideStep(r->words, b->words, n, j);

    // 9-10. Undo the shift: b gets its value back, r becomes the remainder.
    if (s > 0) {
        BnShiftRight(s, b, b);
        BnShiftRight(s, r, r);
    } else {
        bn::NormaliseBelow(r, r->used);  // nothing above r.used was written
    }
    // q was zero; only its words up to m were written.
    bn::NormaliseBelow(q, m + 1 < q->capacity ? m + 1 : q->capacity);
}
