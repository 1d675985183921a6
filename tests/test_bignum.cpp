// Tests of bignum/: every Bn operation against GMP on random operands biased
// towards the values that break multi-precision code (all-ones words, powers
// of two plus or minus one, divisors whose top word is 0x80000000 or 1, quotient
// digits whose estimate overshoots), plus the contracts GMP cannot check:
// `used` counts, aliasing, truncation, divisor restoration, allocation failure.
//
// KX_SEED=<n> replays a run; the seed is printed first.
#include <gmpxx.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "bignum.h"
#include "heap.h"

namespace {

std::mt19937_64& Rng() {
    static std::mt19937_64 rng = [] {
        const char* env = std::getenv("KX_SEED");
        uint64_t seed = env ? std::strtoull(env, nullptr, 0) : std::random_device{}();
        std::printf("test_bignum: KX_SEED=%llu\n", static_cast<unsigned long long>(seed));
        return std::mt19937_64(seed);
    }();
    return rng;
}
uint32_t Below(uint32_t n) { return static_cast<uint32_t>(Rng()() % n); }
uint32_t Word() { return static_cast<uint32_t>(Rng()()); }

// A BigNum owned by the test, with helpers to and from GMP.
struct Num {
    BigNum b{};
    explicit Num(uint32_t capacity) { EXPECT_EQ(BnAlloc(capacity, &b), 0); }
    Num(const mpz_class& v, uint32_t capacity) : Num(capacity) { Set(v); }
    explicit Num(const mpz_class& v) : Num(v, Words(v) + 1) {}
    ~Num() { BnFree(&b); }
    Num(const Num&) = delete;
    Num& operator=(const Num&) = delete;

    static uint32_t Words(const mpz_class& v) {
        return static_cast<uint32_t>((mpz_sizeinbase(v.get_mpz_t(), 2) + 31) / 32);
    }
    void Set(const mpz_class& v) {
        BnZero(&b);
        size_t count = 0;
        mpz_export(b.words, &count, -1, 4, 0, 0, v.get_mpz_t());
        b.used = count == 0 ? 1 : static_cast<uint32_t>(count);
        b.sign = v < 0 ? 1 : 0;
    }
    mpz_class Magnitude() const {
        mpz_class v;
        mpz_import(v.get_mpz_t(), b.used, -1, 4, 0, 0, b.words);
        return v;
    }
    mpz_class Value() const { return b.sign ? mpz_class(-Magnitude()) : Magnitude(); }
    // The record's invariants: used >= 1, normalised, zero words above used.
    bool Normalised() const {
        if (b.used < 1 || b.used > b.capacity) return false;
        if (b.used > 1 && b.words[b.used - 1] == 0) return false;
        for (uint32_t i = b.used; i < b.capacity; ++i)
            if (b.words[i] != 0) return false;
        return true;
    }
    BigNum* operator&() { return &b; }
};

// Random magnitude of exactly `words` words (top word non-zero unless the
// shape is zero), drawn from shapes that reach rare branches.
mpz_class Hard(uint32_t words) {
    mpz_class v;
    uint32_t bits = 32 * words;
    switch (Below(10)) {
        case 0: return mpz_class(Below(3));                     // 0, 1, 2
        case 1: v = 1; v <<= bits; return v - 1;                // all ones
        case 2: v = 1; v <<= bits - 1 - Below(32); return v + (static_cast<int>(Below(3)) - 1);  // 2^k, +-1
        case 3: {                                               // runs of 0 and ~0 words
            for (uint32_t i = 0; i < words; ++i) v = (v << 32) + (Below(2) ? 0xFFFFFFFFu : Below(2));
            break;
        }
        default:
            for (uint32_t i = 0; i < words; ++i) v = (v << 32) + Word();
    }
    // Keep the word count: force a non-zero top word.
    if (Num::Words(v) < words) v += mpz_class(1 + Below(0xFFFFFFFFu)) << (bits - 32);
    return v;
}

// A divisor of `words` words whose top word needs no shift (0x80000000...) or
// a shift of 31 (1), with all-ones or random lower words, or a random one.
mpz_class HardDivisor(uint32_t words) {
    mpz_class v;
    uint32_t top = 0;
    switch (Below(4)) {
        case 0: top = 0x80000000u; break;
        case 1: top = 1; break;
        case 2: top = 0x80000000u + Below(4); break;
        default: return Hard(words) + (words == 1 && Below(2) ? 1 : 0);
    }
    v = top;
    bool ones = Below(2);
    for (uint32_t i = 1; i < words; ++i) v = (v << 32) + (ones ? 0xFFFFFFFFu : Word());
    return v;
}

// Operand sizes: mostly small (odd and even word counts), sometimes up to 130
// words, and the sizes whose division rows are unrolled (16, 32, 64 words).
uint32_t Size() {
    static const uint32_t UNROLLED[] = {15, 16, 17, 31, 32, 33, 63, 64, 65};
    switch (Below(8)) {
        case 0: return 1 + Below(130);
        case 1: return UNROLLED[Below(9)];
        default: return 1 + Below(12);
    }
}

mpz_class Signed(const mpz_class& v) { return Below(2) ? mpz_class(-v) : v; }

// ---------------------------------------------------------------------------

TEST(BnOctets, RoundTripAndLengths) {
    for (uint32_t len = 0; len < 140; ++len) {
        std::vector<uint8_t> bytes(len);
        uint32_t zeros = Below(2) ? Below(len + 1) : 0;  // leading zero octets
        for (uint32_t i = 0; i < len; ++i) bytes[i] = i < zeros ? 0 : static_cast<uint8_t>(Word());
        if (len > zeros && Below(3) == 0) bytes[zeros] = 0x80;  // top bit of a byte
        OctetString in{bytes.data(), len};
        Num r(len / 4 + 2);
        r.b.sign = 1;
        BnFromOctets(&r.b, &in);
        mpz_class want;
        mpz_import(want.get_mpz_t(), len, 1, 1, 0, 0, bytes.data());
        ASSERT_EQ(r.b.used, len == 0 ? 1 : (len + 3) / 4) << len;
        ASSERT_EQ(r.b.sign, 0u);
        ASSERT_EQ(r.Magnitude(), want);

        uint32_t byteLen = 0, bitLen = 0;
        BnByteLength(&r.b, &byteLen);
        BnBitLength(&r.b, &bitLen);
        size_t bits = want == 0 ? 0 : mpz_sizeinbase(want.get_mpz_t(), 2);
        ASSERT_EQ(bitLen, bits);
        ASSERT_EQ(byteLen, (bits + 7) / 8);
        ASSERT_TRUE(r.Normalised());  // the length queries normalised `used`

        std::vector<uint8_t> out(len + 1, 0xEE);
        OctetString o{out.data(), 999};
        BnToOctets(&o, &r.b);
        ASSERT_EQ(o.length, byteLen);
        ASSERT_TRUE(std::equal(out.begin(), out.begin() + byteLen, bytes.begin() + (len - byteLen)));
        ASSERT_EQ(out[byteLen], 0xEE);  // nothing written past the value
    }
}

TEST(BnOctets, ToOctetsTakesUsedAsIs) {
    // Five octets 00 00 00 00 01: used 2 with a zero top word counts 4 octets
    // below it; normalising first gives the minimal form.
    uint8_t five[5] = {0, 0, 0, 0, 1};
    OctetString in{five, 5};
    Num r(3);
    BnFromOctets(&r.b, &in);
    uint8_t out[8];
    OctetString o{out, 0};
    BnToOctets(&o, &r.b);
    EXPECT_EQ(o.length, 4u);
    uint32_t len = 0;
    BnByteLength(&r.b, &len);
    EXPECT_EQ(len, 1u);
    EXPECT_EQ(r.b.used, 1u);
}

TEST(BnRecord, CopyZeroFree) {
    mpz_class three = (mpz_class(7) << 64) + (mpz_class(5) << 32) + 3;
    Num s(three);
    s.b.sign = 1;
    for (uint32_t cap = 1; cap <= 6; ++cap) {
        Num d(cap);
        for (uint32_t i = 0; i < cap; ++i) d.b.words[i] = 0xAAAAAAAA;  // stale words
        BnCopy(&s.b, &d.b);
        uint32_t kept = cap < 3 ? cap : 3;
        EXPECT_EQ(d.b.used, kept);
        EXPECT_EQ(d.b.sign, 1u);
        EXPECT_EQ(d.Magnitude(), three % (mpz_class(1) << (32 * kept)));
        if (cap > 3) EXPECT_TRUE(d.Normalised());
    }
    BigNum r{};
    ASSERT_EQ(BnAlloc(4, &r), 0);
    r.words[2] = 9;
    r.used = 3;
    r.sign = 1;
    BnFree(&r);
    EXPECT_TRUE(r.words == nullptr && r.capacity == 0 && r.used == 0 && r.sign == 0);
    ASSERT_EQ(BnAlloc(2, &r), 0);
    BnFree(&r);
    BigNum never{};
    never.sign = 1;
    BnFree(&never);  // never allocated: keeps its sign word
    EXPECT_EQ(never.sign, 1u);
}

TEST(BnMagnitude, AddSubShiftAgainstGmp) {
    for (int iter = 0; iter < 10000; ++iter) {
        uint32_t na = Size(), nb = Size();
        mpz_class x = Hard(na), y = Hard(nb);
        na = std::max(Num::Words(x), 1u);  // the zero shape has fewer words
        nb = std::max(Num::Words(y), 1u);
        Num a(x), b(y);
        uint32_t big = na > nb ? na : nb;

        // Addition into a record of full or short capacity (carry lost).
        uint32_t cap = Below(4) == 0 ? 1 + Below(big + 1) : big + 1;
        Num sum(cap);
        BnAddMagnitude(&a, &b, &sum);
        ASSERT_EQ(sum.Magnitude(), (x + y) % (mpz_class(1) << (32 * cap)));
        ASSERT_TRUE(sum.Normalised());

        // Subtraction, larger first; one-word forms.
        const mpz_class& hi = x >= y ? x : y;
        const mpz_class& lo = x >= y ? y : x;
        Num h(hi), l(lo), diff(Num::Words(hi) + 1);
        BnSubMagnitude(&h, &l, &diff);
        ASSERT_EQ(diff.Magnitude(), hi - lo);
        ASSERT_TRUE(diff.Normalised());
        uint32_t w = x < 0xFFFFFFFFu ? static_cast<uint32_t>(x.get_ui()) : Word();
        if (w <= x) {
            BnSubWord(&a, w, &a);  // in place
            ASSERT_EQ(a.Magnitude(), x - w);
            ASSERT_TRUE(a.Normalised());
            a.Set(x);
        }
        std::vector<uint32_t> dst(na);
        uint32_t carry = BnWordsAddWord(a.b.words, w, dst.data(), na);
        mpz_class got;
        mpz_import(got.get_mpz_t(), na, -1, 4, 0, 0, dst.data());
        ASSERT_EQ(got + (mpz_class(carry) << (32 * na)), x + w);

        // Shifts, in place and into another record; left into capacity na
        // loses the bits leaving the top word.
        uint32_t s = 1 + Below(31);
        Num left(na + Below(2));
        BnShiftLeft(s, &a, &left);
        ASSERT_EQ(left.Magnitude(), (x << s) % (mpz_class(1) << (32 * left.b.capacity)));
        ASSERT_TRUE(left.Normalised());
        BnShiftRight(s, &a, &a);
        ASSERT_EQ(a.Magnitude(), x >> s);
        ASSERT_TRUE(a.Normalised());
        int cmp = BnCompareMagnitude(b.b, h.b);
        ASSERT_EQ(cmp, (y > hi) - (y < hi));
    }
}

TEST(BnMultiply, MulSquareMulWordAgainstGmp) {
    for (int iter = 0; iter < 8000; ++iter) {
        uint32_t na = Size(), nb = Size();
        mpz_class x = Hard(na), y = Hard(nb);
        Num a(x), b(y), r(na + nb);
        BnMulMagnitude(&a, &b, &r);
        ASSERT_EQ(r.Magnitude(), x * y) << na << "x" << nb;
        ASSERT_TRUE(r.Normalised());

        Num sq(2 * na + Below(2) + (na == 1));
        sq.b.sign = 1;
        sq.b.words[0] = 7;  // BnSquare overwrites whatever r held
        ASSERT_EQ(BnSquare(&a, &sq), 0);
        ASSERT_EQ(sq.Magnitude(), x * x) << na;
        ASSERT_EQ(sq.b.sign, 0u);
        ASSERT_TRUE(sq.Normalised());

        uint32_t w = Below(3) == 0 ? 0xFFFFFFFFu : Word();
        Num mw(x, na + 1);
        BnMulWord(&mw, w, &mw);  // in place
        ASSERT_EQ(mw.Magnitude(), x * w);
        ASSERT_TRUE(mw.Normalised());
    }
}

// The largest amount by which the top-word estimate of any quotient digit of
// x / y exceeds the true digit (computed by GMP on the normalised operands).
uint32_t MaxOvershoot(const mpz_class& x, const mpz_class& y) {
    uint32_t n = Num::Words(y);
    uint32_t s = 32 * n - static_cast<uint32_t>(mpz_sizeinbase(y.get_mpz_t(), 2));
    mpz_class b = y << s, r = x << s;
    uint64_t bt = mpz_class(b >> (32 * (n - 1))).get_ui();
    uint32_t m = Num::Words(r) - n;
    r -= ((r >> (32 * m)) / b * b) << (32 * m);  // the top digit, 0 or 1
    uint32_t worst = 0;
    for (int j = static_cast<int>(Num::Words(r)) - static_cast<int>(n) - 1; j >= 0; --j) {
        mpz_class part = r >> (32 * j);
        mpz_class digit = part / b;
        mpz_class top2 = part >> (32 * (n - 1));
        uint64_t top = mpz_class(top2 >> 32).get_ui();
        uint64_t est = top >= bt ? 0xFFFFFFFFu : mpz_class(top2 / bt).get_ui();
        worst = std::max<uint32_t>(worst, static_cast<uint32_t>(est - digit.get_ui()));
        r -= (digit * b) << (32 * j);
    }
    return worst;
}

TEST(BnDivide, DivMagnitudeAndDivWordAgainstGmp) {
    int overshootTwo = 0;
    for (int iter = 0; iter < 10000; ++iter) {
        uint32_t nb = Size();
        uint32_t na = nb + Below(Below(2) ? 3 : 40);
        mpz_class y = HardDivisor(nb);
        if (y == 0) y = 1;
        mpz_class x;
        if (Below(3) == 0) {
            // Dividend built from digits near the top of the range, so the
            // estimate against a 0x80000000/all-ones divisor overshoots.
            mpz_class digits;
            for (uint32_t i = 0; i <= na - nb; ++i) digits = (digits << 32) + (0xFFFFFFFFu - Below(4));
            // Final remainders at both ends of [0, y).
            mpz_class rem = Below(2) ? mpz_class(Below(5)) : mpz_class(y - 1 - Below(5));
            x = digits * y + (rem >= 0 && rem < y ? rem : mpz_class(0));
        } else {
            x = Below(10) == 0 ? mpz_class(y * Below(3)) : Hard(na);
        }
        if (nb >= 2 && Below(8) == 0) overshootTwo += MaxOvershoot(x, y) >= 2;
        uint32_t xw = Num::Words(x) ? Num::Words(x) : 1;
        uint32_t yw = Num::Words(y);
        Num a(x), b(y), q(xw >= yw ? xw - yw + 1 : 1), r(xw + 1);
        a.b.sign = Below(2);  // r takes a's sign when it copies a
        BnDivMagnitude(&a, &b, &q, &r);
        ASSERT_EQ(q.Magnitude(), x / y) << x.get_str(16) << " / " << y.get_str(16);
        ASSERT_EQ(r.Magnitude(), x % y);
        ASSERT_EQ(b.Magnitude(), y);  // the divisor is restored
        ASSERT_TRUE(q.Normalised() && r.Normalised() && b.Normalised());

        uint32_t w = static_cast<uint32_t>(mpz_class(y & 0xFFFFFFFFu).get_ui());
        if (w == 0) w = 1;
        Num qw(xw);
        ASSERT_EQ(BnDivWord(&a, w, &qw), mpz_class(x % w).get_ui());
        ASSERT_EQ(qw.Magnitude(), x / w);
        ASSERT_TRUE(qw.Normalised());
    }
    // The generator must reach the two-round correction, or it tests too little.
    EXPECT_GT(overshootTwo, 0);
}

TEST(BnDivide, ContractEdges) {
    // A dividend and divisor with leading zero words are normalised first; the
    // remainder of a smaller dividend is a copy with a's sign.
    Num a(mpz_class(5), 4), b(mpz_class(12), 3), q(4), r(5);
    a.b.used = 4;
    b.b.used = 3;
    a.b.sign = 1;
    BnDivMagnitude(&a, &b, &q, &r);
    EXPECT_EQ(q.Value(), 0);
    EXPECT_EQ(r.Value(), -5);
    EXPECT_EQ(a.b.used, 1u);
    // Zero by zero in the short division returns 0 without dividing.
    Num zero(1), qz(1);
    EXPECT_EQ(BnDivWord(&zero, 0, &qz), 0u);
}

// ---------------------------------------------------------------------------

mpz_class PowmOracle(const mpz_class& g, const mpz_class& e, const mpz_class& m) {
    if (e == 0) return 1;  // the initial 1 is never reduced
    mpz_class r;
    mpz_powm(r.get_mpz_t(), g.get_mpz_t(), e.get_mpz_t(), m.get_mpz_t());
    return r;
}

TEST(BnModExp, AgainstGmp) {
    for (int iter = 0; iter < 1200; ++iter) {
        uint32_t nm = Below(5) == 0 ? 1 + Below(70) : 1 + Below(10);
        if (iter % 40 == 0) nm = 16u << (iter / 40 % 3);  // 512 to 2048 bits
        mpz_class m = HardDivisor(nm);
        if (m == 0) m = 1;
        nm = Num::Words(m);
        // Exponents short or long, odd and even bit counts, zero.
        uint32_t ew = Below(4) == 0 ? 1 + Below(nm) : 1;
        if (nm > 40) ew = 1 + Below(3);
        if (iter % 40 == 0) ew = nm < 64 ? nm : 1;  // a full-length exponent
        mpz_class e = Below(12) == 0 ? mpz_class(Below(2)) : Hard(ew);
        // Bases below, equal to and above the modulus, also longer than it.
        mpz_class g;
        switch (Below(6)) {
            case 0: g = m; break;
            case 1: g = Hard(nm + 1 + Below(3)); break;
            case 2: g = m * Below(4) + Hard(1); break;
            default: g = Hard(nm) % m;
        }
        uint32_t lead = Below(3) == 0 ? 1 + Below(3) : 0;  // leading zero words of M
        uint32_t gw = Num::Words(g) + 1 + Below(2);
        Num base(g, gw), exp(e, Num::Words(e) + 2), mod(m, nm + lead + 1), r(nm + lead + 2);
        base.b.used = gw;  // leading zero words in the base and exponent too
        if (Below(3) == 0) exp.b.used = exp.b.capacity;
        mod.b.used = nm + lead;
        ASSERT_EQ(BnModExp(&base, &exp, &mod, &r), 0);
        ASSERT_EQ(r.Value(), PowmOracle(g, e, m))
            << "g=" << g.get_str(16) << " e=" << e.get_str(16) << " m=" << m.get_str(16);
        ASSERT_TRUE(r.Normalised());
        ASSERT_EQ(mod.Magnitude(), m);  // restored (and normalised)
        ASSERT_EQ(base.Magnitude(), g);
    }
}

TEST(BnModExp, AliasingZeroModulusAndExponentZero) {
    mpz_class m("0xC0000000FFFFFFFF00000001", 0), g("0x1234567890ABCDEF", 0), e(65537);
    for (int which = 0; which < 3; ++which) {
        Num base(g, 4), exp(e, 4), mod(m, 4);
        Num* out = which == 0 ? std::addressof(base) : which == 1 ? std::addressof(exp)
                                                                  : std::addressof(mod);
        ASSERT_EQ(BnModExp(&base, &exp, &mod, &out->b), 0);
        EXPECT_EQ(out->Value(), PowmOracle(g, e, m)) << which;
    }
    Num base(g), exp(mpz_class(0)), one(mpz_class(1)), zero(3), r(3);
    zero.b.used = 3;
    ASSERT_EQ(BnModExp(&base, &exp, &one, &r), 0);
    EXPECT_EQ(r.Value(), 1);  // exponent 0, modulus 1: 1, unreduced
    r.b.words[0] = 42;
    EXPECT_EQ(BnModExp(&base, &one, &zero, &r), -1);
    EXPECT_EQ(r.b.words[0], 42u);
}

// ---------------------------------------------------------------------------

TEST(BnSigned, AddSubMulDivAgainstGmp) {
    for (int iter = 0; iter < 8000; ++iter) {
        uint32_t na = Size(), nb = Size();
        mpz_class x = Signed(Hard(na)), y = Below(8) == 0 ? mpz_class(x) : Signed(Hard(nb));
        if (Below(8) == 0) y = -x;  // equal magnitudes, opposite signs
        na = std::max(Num::Words(x), 1u);
        nb = std::max(Num::Words(y), 1u);
        uint32_t big = (na > nb ? na : nb) + 2;

        using Op = int32_t (*)(const BigNum*, const BigNum*, BigNum*);
        struct Case { Op op; mpz_class want; };
        Case cases[] = {{BnAdd, x + y}, {BnSub, x - y}, {BnMul, x * y}};
        for (const Case& c : cases) {
            uint32_t need = Num::Words(c.want);
            // Result in its own record, in a's record, or truncated.
            int mode = Below(4);
            Num a(x, big + nb), b(y, big + nb), r(mode == 3 && need > 1 ? need - 1 : big + nb);
            Num& got = mode == 1 ? a : mode == 2 ? b : r;
            BigNum* out = &got.b;
            ASSERT_EQ(c.op(&a.b, &b.b, out), 0);
            if (mode == 3 && need > 1) {
                mpz_class low = abs(c.want) % (mpz_class(1) << (32 * (need - 1)));
                ASSERT_EQ(got.Magnitude(), low);
                ASSERT_EQ(got.b.used, need - 1);
                continue;
            }
            ASSERT_EQ(got.Value(), c.want) << x.get_str(16) << " " << y.get_str(16);
            ASSERT_TRUE(got.Normalised());
            if (c.want == 0) {
                // Only a product of opposite signs is a zero with sign 1.
                bool negZero = c.op == BnMul && (x < 0) != (y < 0);
                ASSERT_EQ(got.b.sign, negZero ? 1u : 0u);
            }
        }

        // Non-negative division family; r may be the dividend.
        mpz_class u = abs(x), v = abs(y) == 0 ? mpz_class(1) : mpz_class(abs(y));
        Num a(u), b(v), q(big), r(big);
        ASSERT_EQ(BnDivide(&a, &b, &q, &a), 0);
        ASSERT_EQ(q.Value(), u / v);
        ASSERT_EQ(a.Value(), u % v);
        ASSERT_EQ(b.Value(), v);
        a.Set(u);
        ASSERT_EQ(BnDiv(&a, &b, &a), 0);
        ASSERT_EQ(a.Value(), u / v);
        a.Set(u);
        ASSERT_EQ(BnMod(&a, &b, &b), 0);
        ASSERT_EQ(b.Value(), u % v);
    }
}

// The coefficients of the classical remainder sequence started from (b, a),
// written independently with GMP.
void ExtendedOracle(const mpz_class& a, const mpz_class& b, mpz_class& x, mpz_class& y,
                    mpz_class& g) {
    mpz_class r0 = b, r1 = a, u0 = 1, v0 = 0, u1 = 0, v1 = 1;
    while (r1 != 0) {
        mpz_class q = r0 / r1, t;
        t = r0 - q * r1; r0 = r1; r1 = t;
        t = u0 - q * u1; u0 = u1; u1 = t;
        t = v0 - q * v1; v0 = v1; v1 = t;
    }
    g = r0; x = v0; y = u0;
}

TEST(BnGcd, GcdAndExtendedAgainstGmp) {
    struct Known { int a, b, g, x, y; };
    const Known known[] = {{3, 11, 1, 4, -1},  {17, 3120, 1, -367, 2}, {12, 18, 6, -1, 1},
                           {11, 3, 1, -1, 4},  {0, 7, 7, 0, 1},        {7, 0, 7, 1, 0},
                           {0, 0, 0, 0, 1}};
    for (const Known& k : known) {
        Num a(mpz_class(k.a), 2), b(mpz_class(k.b), 2), x(3), y(3), g(3);
        if (k.a == 0) a.b.used = 2;  // a zero with a leading zero word is still zero
        ASSERT_EQ(BnExtendedGcd(&a, &b, &x, &y, &g), 0);
        EXPECT_EQ(g.Value(), k.g);
        EXPECT_EQ(x.Value(), k.x) << k.a << "," << k.b;
        EXPECT_EQ(y.Value(), k.y);
    }
    for (int iter = 0; iter < 1500; ++iter) {
        uint32_t na = 1 + Below(Below(3) ? 8 : 66), nb = 1 + Below(Below(3) ? 8 : 66);
        mpz_class common = Below(3) == 0 ? Hard(1 + Below(3)) : mpz_class(1);
        mpz_class u = Hard(na) * common, v = Hard(nb) * common;
        uint32_t c = std::max(Num::Words(u), Num::Words(v)) + 1;
        Num a(u, c), b(v, c), r(c), x(c), y(c), g(c);
        r.b.words[0] = 99;
        ASSERT_EQ(BnGcd(&a, &b, &r), 0);
        ASSERT_EQ(r.Value(), (u == 0 || v == 0) ? mpz_class(99) : gcd(u, v));

        ASSERT_EQ(BnExtendedGcd(&a, &b, &x, &y, &g), 0);
        mpz_class wx, wy, wg;
        ExtendedOracle(u, v, wx, wy, wg);
        ASSERT_EQ(g.Value(), wg);
        ASSERT_EQ(x.Value(), wx) << u.get_str(16) << " " << v.get_str(16);
        ASSERT_EQ(y.Value(), wy);
        ASSERT_EQ(x.Value() * u + y.Value() * v, wg);
    }
}

// ---------------------------------------------------------------------------

// Fails each allocation of `op` in turn until it succeeds: every failure must
// return -1, leave the result unwritten and release everything it took, words
// cleared. `result` is compared before and after.
void EveryAllocationFails(const char* name, const std::function<int32_t()>& op,
                          const std::function<mpz_class()>& result) {
    mpz_class before = result();
    for (uint64_t n = 1;; ++n) {
        HeapTestReset(n);
        int32_t status = op();
        int64_t live = HeapTestLive();
        uint64_t uncleared = HeapTestUnclearedReleases();
        uint64_t attempts = HeapTestAllocations();
        HeapTestReset(0);
        ASSERT_EQ(live, 0) << name << " n=" << n;
        ASSERT_EQ(uncleared, 0u) << name << " n=" << n;
        if (status == 0) {
            ASSERT_LT(attempts, n) << name;  // succeeded only once nothing failed
            return;
        }
        ASSERT_EQ(status, -1) << name;
        ASSERT_EQ(result(), before) << name << " n=" << n;
    }
}

TEST(BnAllocation, EveryFailureIsCleanedUp) {
    mpz_class x = Hard(9), y = Hard(4) | 1, m = HardDivisor(6) | 1;
    Num a(x, 12), b(y, 12), mod(m), e(mpz_class(0x1B)), r(20), r2(20), r3(20);
    auto R = [&] { return r.Value(); };
    r.Set(12345);
    EveryAllocationFails("BnSquare", [&] { return BnSquare(&a, &r); }, R);
    r.Set(12345);
    EveryAllocationFails("BnModExp", [&] { return BnModExp(&a, &e, &mod, &r); }, R);
    r.Set(12345);
    EveryAllocationFails("BnAdd", [&] { return BnAdd(&a, &b, &r); }, R);
    EveryAllocationFails("BnSub", [&] { return BnSub(&a, &b, &r); }, R);
    EveryAllocationFails("BnMul", [&] { return BnMul(&a, &b, &r); }, R);
    EveryAllocationFails("BnDiv", [&] { return BnDiv(&a, &b, &r); }, R);
    EveryAllocationFails("BnMod", [&] { return BnMod(&a, &b, &r); }, R);
    EveryAllocationFails("BnDivide", [&] { return BnDivide(&a, &b, &r2, &r); }, R);
    r.Set(12345);
    EveryAllocationFails("BnGcd", [&] { return BnGcd(&a, &b, &r); }, R);
    EveryAllocationFails("BnExtendedGcd", [&] { return BnExtendedGcd(&a, &b, &r, &r2, &r3); },
                         [&]() -> mpz_class { return r.Value() + r2.Value() * 7 + r3.Value() * 13; });
    EXPECT_EQ(a.Magnitude(), x);
    EXPECT_EQ(b.Magnitude(), y);
}

}  // namespace
