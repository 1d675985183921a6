// Long division of magnitudes (Knuth, TAOCP vol. 2, 4.3.1, algorithm D). The
// quotient words are found two at a time, as digits of base 2^64 estimated
// from the divisor's top two words and refined with its third; a lone top
// word (an odd count) is estimated from the divisor's top word alone. Either
// estimate never undercounts, and adding the divisor back (at most twice for a
// lone word, once for a pair) corrects any excess, so every quotient word is
// the true one.
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
// the divisor back while the partial remainder is negative. With qhat from the
// remainder's top two words over the divisor's top word bt, qhat·bt·β^(n-1)
// never exceeds the remainder, so subtracting qhat·b leaves more than -β^n:
// the borrow word c exceeds `top` by at most 1, and each add-back's carry
// brings it back. The estimate never undercounts (the divisor's top bit is
// set) and overcounts by at most 2, so there are at most two add-backs.
// Returns the digit; r[j..j+n] holds the new partial remainder.
uint32_t DivideStep(uint32_t* r, const uint32_t* b, uint32_t n, uint32_t j) {
    uint32_t bt = b[n - 1];
    uint64_t top = r[j + n];
    // top <= bt here, so below bt the quotient fits one word.
    uint32_t qhat = top == bt ? 0xFFFFFFFFu
                              : static_cast<uint32_t>(((top << 32) | r[j + n - 1]) / bt);
    if (qhat == 0) return 0;

    uint64_t c = bn::MulSubRow(r + j, b, n, qhat);
    while (c > top) {  // c == top + 1: the remainder is negative
        c -= bn::AddRow(r + j, b, n);
        --qhat;
    }
    r[j + n] = static_cast<uint32_t>(top - c);
    return qhat;
}
// hi:lo / d for hi < d (the quotient fits 64 bits); *rem = the remainder.
inline uint64_t Divide128(uint64_t hi, uint64_t lo, uint64_t d, uint64_t* rem) {
#if defined(__x86_64__) && !defined(KX_BN_PORTABLE_KERNELS)
    uint64_t q, r;
    __asm__("divq %4" : "=a"(q), "=d"(r) : "a"(lo), "d"(hi), "rm"(d));
    *rem = r;
    return q;
#else
    bn::u128 x = (static_cast<bn::u128>(hi) << 64) | lo;
    uint64_t q = static_cast<uint64_t>(x / d);
    *rem = static_cast<uint64_t>(x - static_cast<bn::u128>(q) * d);
    return q;
#endif
}

// Quotient words j and j + 1 together: the base-2^64 digit of the partial
// remainder r[j..j+n+2), which is below b·2^64, divided by b (n >= 2).
// The estimate from the remainder's top four words over b's top two
// overcounts by at most 2; comparing with b's third word as well (step D3)
// leaves an excess only when b's lower words decide. After that test
// qhat·(b's top three words) never exceeds the remainder's top, so subtracting
// qhat·b leaves more than -2^64·β^(n-3) > -b: one add-back at most, and its
// carry makes c equal to top. With n = 2 the top two words are all of b and
// the estimate is exact. Returns the digit; r[j..j+n+2) holds the new partial
// remainder.
uint64_t DivideStepPair(uint32_t* r, const uint32_t* b, uint32_t n, uint32_t j) {
    const uint64_t bt = bn::LoadPair(b + n - 2);
    const uint64_t top = bn::LoadPair(r + j + n);  // never above bt
    const uint64_t next = bn::LoadPair(r + j + n - 2);
    uint64_t qhat, rhat;
    bool rhatFits = true;  // rhat below 2^64: the refinement applies
    if (top == bt) {
        // qhat = 2^64 - 1, rhat = top:next - qhat·bt = next + bt.
        qhat = ~0ull;
        rhat = next + bt;
        rhatFits = rhat >= next;
    } else {
        qhat = Divide128(top, next, bt, &rhat);
    }
    if (n >= 3) {
        const bn::u128 third = b[n - 3];
        while (rhatFits && qhat * third > ((static_cast<bn::u128>(rhat) << 32) | r[j + n - 3])) {
            --qhat;
            rhat += bt;
            rhatFits = rhat >= bt;
        }
    }
    if (qhat == 0) return 0;

    uint64_t c = bn::MulSubRow64(r + j, b, n, qhat);
    if (c > top) {  // the remainder is negative: add b back once
        c -= bn::AddRow(r + j, b, n);
        --qhat;
    }
    bn::StorePair(r + j + n, top - c);
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
    // 8. The remaining words, from the top: an odd one alone, then in pairs.
    uint32_t j = m;
    if (j % 2 != 0) {
        --j;
        q->words[j] = DivideStep(r->words, b->words, n, j);
    }
    while (j > 0) {
        j -= 2;
        uint64_t digit = DivideStepPair(r->words, b->words, n, j);
        q->words[j] = static_cast<uint32_t>(digit);
        q->words[j + 1] = static_cast<uint32_t>(digit >> 32);
    }

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
