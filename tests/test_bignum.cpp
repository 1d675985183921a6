// Every Bn operation against GMP on random operands biased towards hard values, plus the
// contracts GMP cannot check. KX_SEED=<n> replays a run; the seed is printed first.
#include <gmpxx.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <random>
#include <utility>
#include <vector>

#include "bignum.h"
#include "heap.h"
#include "reference/bn_extended_gcd_reference.h"

namespace {

std::mt19937_64 rng = [] {
    const char* env = std::getenv("KX_SEED");
    uint64_t seed = env ? std::strtoull(env, nullptr, 0) : std::random_device{}();
    std::printf("test_bignum: KX_SEED=%llu\n", static_cast<unsigned long long>(seed));
    return std::mt19937_64(seed);
}();
uint32_t Below(uint32_t n) { return static_cast<uint32_t>(rng() % n); }
uint32_t Word() { return static_cast<uint32_t>(rng()); }
uint32_t Words(const mpz_class& v) { return (mpz_sizeinbase(v.get_mpz_t(), 2) + 31) / 32; }  // 1 for zero
mpz_class Low(const mpz_class& v, uint32_t words) { return v % (mpz_class(1) << (32 * words)); }
mpz_class FromWords(const uint32_t* w, uint32_t n) { mpz_class v; return mpz_import(v.get_mpz_t(), n, -1, 4, 0, 0, w), v; }

// A BigNum owned by the test, converted to and from GMP.
struct Num {
    BigNum b{};
    explicit Num(uint32_t capacity) { EXPECT_EQ(BnAlloc(capacity, &b), 0); }
    Num(const mpz_class& v, uint32_t capacity) : Num(capacity) { Set(v); }
    explicit Num(const mpz_class& v) : Num(v, Words(v) + 1) {}
    ~Num() { BnFree(&b); }
    Num(const Num&) = delete;
    void Set(const mpz_class& v) {
        size_t count = 0;
        BnZero(&b);
        mpz_export(b.words, &count, -1, 4, 0, 0, v.get_mpz_t());
        b = {b.words, b.capacity, std::max<uint32_t>(static_cast<uint32_t>(count), 1), v < 0};
    }
    mpz_class Mag() const { return FromWords(b.words, b.used); }
    mpz_class Value() const { return b.sign ? mpz_class(-Mag()) : Mag(); }
    bool Normalised() const {  // used >= 1, no zero top word, zero words above used
        if (b.used < 1 || b.used > b.capacity || (b.used > 1 && b.words[b.used - 1] == 0)) return false;
        return std::all_of(b.words + b.used, b.words + b.capacity, [](uint32_t w) { return w == 0; });
    }
    BigNum* operator&() { return &b; }
};

testing::AssertionResult Is(const Num& n, const mpz_class& want) {  // value, sign and invariants
    if (n.Value() == want && n.Normalised()) return testing::AssertionSuccess();
    return testing::AssertionFailure() << n.Value().get_str(16) << " used " << n.b.used << " != " << want;
}

// Random magnitude of `words` words (fewer only for the small-constant shape), drawn
// from shapes that reach rare branches.
mpz_class Hard(uint32_t words) {
    mpz_class v;
    uint32_t bits = 32 * words, shape = Below(10);
    if (shape == 0) return Below(3);                                      // 0, 1, 2
    if (shape == 1) return (mpz_class(1) << bits) - 1;                    // all ones
    if (shape == 2) return (mpz_class(1) << (bits - 1 - Below(32))) + (int(Below(3)) - 1);  // 2^k, +-1
    for (uint32_t i = 0; i < words; ++i)  // runs of 0 / ~0 words, or random
        v = (v << 32) + (shape > 3 ? Word() : Below(2) ? 0xFFFFFFFFu : Below(2));
    if (Words(v) < words) v += mpz_class(1 + Below(0xFFFFFFFFu)) << (bits - 32);
    return v;
}

// A divisor whose top word needs no shift (0x8000000x) or a shift of 31 (1), with
// all-ones or random lower words, or any Hard value.
mpz_class HardDivisor(uint32_t words) {
    uint32_t pick = Below(4);
    if (pick == 3) return Hard(words) + (words == 1 && Below(2) ? 1 : 0);
    mpz_class v = pick == 1 ? 1u : 0x80000000u + (pick == 2 ? Below(4) : 0);
    for (uint32_t i = 1, ones = Below(2); i < words; ++i) v = (v << 32) + (ones ? 0xFFFFFFFFu : Word());
    return v;
}

// Mostly small sizes, sometimes up to 130 words and the unrolled sizes around 16/32/64.
uint32_t Size() {
    static const uint32_t UNROLLED[] = {15, 16, 17, 31, 32, 33, 63, 64, 65};
    uint32_t pick = Below(8);
    return pick == 0 ? 1 + Below(130) : pick == 1 ? UNROLLED[Below(9)] : 1 + Below(12);
}

TEST(BnRecord, OctetsLengthsFree) {
    for (uint32_t len = 0; len < 140; ++len) {
        std::vector<uint8_t> bytes(len), out(len + 1, 0xEE);
        uint32_t zeros = Below(2) ? Below(len + 1) : 0, byteLen = 0, bitLen = 0;  // leading zero octets
        for (uint32_t i = zeros; i < len; ++i) bytes[i] = i == zeros && Below(3) == 0 ? 0x80 : Word();
        OctetString in{bytes.data(), len}, o{out.data(), 999};
        Num r(len / 4 + 2);
        r.b.sign = 1;
        BnFromOctets(&r.b, &in);
        mpz_class want;
        mpz_import(want.get_mpz_t(), len, 1, 1, 0, 0, bytes.data());
        ASSERT_TRUE(r.b.used == (len == 0 ? 1 : (len + 3) / 4) && r.b.sign == 0 && r.Mag() == want) << len;
        BnByteLength(&r.b, &byteLen), BnBitLength(&r.b, &bitLen), BnToOctets(&o, &r.b);
        size_t bits = want == 0 ? 0 : mpz_sizeinbase(want.get_mpz_t(), 2);
        ASSERT_TRUE(bitLen == bits && byteLen == (bits + 7) / 8 && r.Normalised()) << len;
        ASSERT_TRUE(o.length == byteLen && out[byteLen] == 0xEE &&
                    std::equal(out.begin(), out.begin() + byteLen, bytes.end() - byteLen));
    }
    uint8_t five[5] = {0, 0, 0, 0, 1}, out[8];  // used 2 with a zero top word, taken as it is
    OctetString in{five, 5}, o{out, 0};
    Num f(3);
    BnFromOctets(&f.b, &in), BnToOctets(&o, &f.b);
    EXPECT_EQ(o.length, 4u);
    BigNum r{};
    ASSERT_EQ(BnAlloc(4, &r), 0);
    r = {r.words, 4, 3, 1}, r.words[2] = 9;
    BnFree(&r);
    EXPECT_TRUE(r.words == nullptr && r.capacity == 0 && r.used == 0 && r.sign == 0);
}

TEST(BnMagnitude, AddSubShiftMulSquareAgainstGmp) {
    for (int iter = 0; iter < 10000; ++iter) {
        mpz_class x = Hard(Size()), y = Hard(Size());
        uint32_t na = Words(x), nb = Words(y), big = std::max(na, nb);
        uint32_t cap = Below(4) == 0 ? 1 + Below(big + 1) : big + 1;  // carry may be lost
        const mpz_class &hi = std::max(x, y), &lo = std::min(x, y);
        Num a(x), b(y), sum(cap), prod(na + nb), h(hi), l(lo), diff(Words(hi) + 1);
        BnAddMagnitude(&a, &b, &sum);
        ASSERT_TRUE(Is(sum, Low(x + y, cap)));
        BnSubMagnitude(&h, &l, &diff);
        ASSERT_TRUE(Is(diff, hi - lo));
        ASSERT_EQ(BnCompareMagnitude(b.b, h.b), (y > hi) - (y < hi));
        BnMulMagnitude(&a, &b, &prod);
        ASSERT_TRUE(Is(prod, x * y)) << na << "x" << nb;

        uint32_t w = x < 0xFFFFFFFFu ? static_cast<uint32_t>(x.get_ui()) : Word();
        std::vector<uint32_t> dst(na);
        uint32_t carry = BnWordsAddWord(a.b.words, w, dst.data(), na);
        ASSERT_EQ(FromWords(dst.data(), na) + (mpz_class(carry) << (32 * na)), x + w);
        Num sw(x), left(na + Below(2)), sq(2 * nb + Below(2) + (nb == 1)), m(y, nb + 1);
        if (w <= x) BnSubWord(&sw, w, &sw);  // in place
        ASSERT_TRUE(Is(sw, w <= x ? mpz_class(x - w) : x));
        uint32_t s = 1 + Below(31), mw = Below(3) == 0 ? 0xFFFFFFFFu : Word();
        BnShiftLeft(s, &a, &left);  // bits leaving the capacity are lost
        ASSERT_TRUE(Is(left, Low(x << s, left.b.capacity)));
        BnShiftRight(s, &a, &a);
        ASSERT_TRUE(Is(a, x >> s));

        sq.b = {sq.b.words, sq.b.capacity, 1, 1}, sq.b.words[0] = 7;  // overwritten
        ASSERT_TRUE(BnSquare(&b, &sq) == 0 && Is(sq, y * y)) << nb;
        Num sq2(x, std::max(2 * nb, Words(x) + 1)), cross(Hard(2 * nb), 2 * nb), limbs(Hard(2 * nb), 2 * nb);
        BnSquareWithScratch(&b, &sq2, &cross, &limbs);  // over an old value, scratch not cleared
        ASSERT_TRUE(Is(sq2, y * y)) << nb;
        BnMulWord(&m, mw, &m);  // in place
        ASSERT_TRUE(Is(m, y * mw));
    }
}

// The most by which the top-word estimate of a quotient digit of x / y exceeds the true digit.
uint32_t MaxOvershoot(const mpz_class& x, const mpz_class& y) {
    uint32_t n = Words(y), s = 32 * n - static_cast<uint32_t>(mpz_sizeinbase(y.get_mpz_t(), 2));
    mpz_class b = y << s, r = x << s;
    uint64_t bt = mpz_class(b >> (32 * (n - 1))).get_ui();
    uint32_t m = Words(r) - n, worst = 0;
    r -= ((r >> (32 * m)) / b * b) << (32 * m);  // the top digit, 0 or 1
    for (int j = static_cast<int>(Words(r)) - static_cast<int>(n) - 1; j >= 0; --j) {
        mpz_class part = r >> (32 * j), digit = part / b, top2 = part >> (32 * (n - 1));
        uint64_t est = mpz_class(top2 >> 32).get_ui() >= bt ? 0xFFFFFFFFu : mpz_class(top2 / bt).get_ui();
        worst = std::max<uint32_t>(worst, static_cast<uint32_t>(est - digit.get_ui()));
        r -= (digit * b) << (32 * j);
    }
    return worst;
}

TEST(BnDivide, DivMagnitudeAndDivWordAgainstGmp) {
    int overshootTwo = 0;
    for (int iter = 0; iter < 10000; ++iter) {
        uint32_t nb = Size(), na = nb + Below(Below(2) ? 3 : 40);
        mpz_class y = std::max(HardDivisor(nb), mpz_class(1)), x;
        if (Below(3) == 0) {  // digits near the top make the estimate overshoot; remainder near 0 or y
            for (uint32_t i = 0; i <= na - nb; ++i) x = (x << 32) + (0xFFFFFFFFu - Below(4));
            mpz_class rem = Below(2) ? mpz_class(Below(5)) : mpz_class(y - 1 - Below(5));
            x = x * y + (rem >= 0 && rem < y ? rem : mpz_class(0));
        } else {
            x = Below(10) == 0 ? mpz_class(y * Below(3)) : Hard(na);
        }
        if (nb >= 2 && Below(8) == 0) overshootTwo += MaxOvershoot(x, y) >= 2;
        uint32_t xw = Words(x), yw = Words(y), w = std::max<uint32_t>(mpz_class(y & 0xFFFFFFFFu).get_ui(), 1);
        Num a(x), b(y), q(xw >= yw ? xw - yw + 1 : 1), r(xw + 1), qw(xw);
        a.b.sign = Below(2);  // r takes a's sign when it copies a
        a.b.used += Below(2), b.b.used += Below(2);  // leading zero words, normalised in place
        BnDivMagnitude(&a, &b, &q, &r);
        ASSERT_TRUE(Is(q, x / y) && Is(b, y)) << x.get_str(16) << " / " << y.get_str(16);  // b restored
        ASSERT_TRUE(r.Mag() == x % y && r.Normalised() && a.Normalised());
        ASSERT_TRUE(BnDivWord(&a, w, &qw) == mpz_class(x % w).get_ui() && Is(qw, x / w));
    }
    EXPECT_GT(overshootTwo, 0);  // the generator reaches the two-round correction
    Num zero(1), q(1);
    EXPECT_EQ(BnDivWord(&zero, 0, &q), 0u);  // zero by zero: no division
}

mpz_class PowmOracle(const mpz_class& g, const mpz_class& e, const mpz_class& m) {
    mpz_class r = 1;  // exponent 0: the initial 1 is never reduced
    if (e != 0) mpz_powm(r.get_mpz_t(), g.get_mpz_t(), e.get_mpz_t(), m.get_mpz_t());
    return r;
}

TEST(BnModExp, AgainstGmp) {
    for (int iter = 0; iter < 1200; ++iter) {
        uint32_t nm = iter % 40 == 0 ? 16u << (iter / 40 % 3) : Below(5) == 0 ? 1 + Below(70) : 1 + Below(10);
        mpz_class m = std::max(HardDivisor(nm), mpz_class(1)), g;
        nm = Words(m);
        uint32_t ew = iter % 40 == 0 ? (nm < 64 ? nm : 1) : nm > 40 ? 1 + Below(3) : Below(4) == 0 ? 1 + Below(nm) : 1;
        mpz_class e = Below(12) == 0 ? mpz_class(Below(2)) : Hard(ew);
        uint32_t gk = Below(6);  // bases equal to, longer than, above and below the modulus
        g = gk == 0 ? m : gk == 1 ? Hard(nm + 1 + Below(3)) : gk == 2 ? mpz_class(m * Below(4) + Hard(1)) : mpz_class(Hard(nm) % m);
        // Leading zero words in modulus, base and exponent; the result in any record.
        uint32_t lead = Below(3) == 0 ? 1 + Below(3) : 0, gw = Words(g) + 1 + Below(2), k = Below(6);
        Num base(g, std::max(gw, nm + 1)), exp(e, std::max(Words(e) + 2, nm + 1)), mod(m, nm + lead + 1);
        Num r(nm + lead + 2), &out = k == 3 ? base : k == 4 ? exp : k == 5 ? mod : r;
        base.b.used = gw, mod.b.used = nm + lead, exp.b.used = Below(3) == 0 ? exp.b.capacity : exp.b.used;
        ASSERT_TRUE(BnModExp(&base, &exp, &mod, &out) == 0 && Is(out, PowmOracle(g, e, m)))
            << "g=" << g.get_str(16) << " e=" << e.get_str(16) << " m=" << m.get_str(16) << " k=" << k;
        ASSERT_TRUE((k == 5 || mod.Mag() == m) && (k == 3 || base.Mag() == g));  // restored
    }
    Num base(mpz_class(5)), zeroExp(mpz_class(0)), one(mpz_class(1)), zero(3), r(3);
    EXPECT_TRUE(BnModExp(&base, &zeroExp, &one, &r) == 0 && Is(r, 1));  // exponent 0, modulus 1: 1, unreduced
    zero.b.used = 3, r.b.words[0] = 42;
    EXPECT_TRUE(BnModExp(&base, &one, &zero, &r) == -1 && r.b.words[0] == 42);  // zero modulus
}

TEST(BnSigned, AddSubMulDivAgainstGmp) {
    using Op = int32_t (*)(const BigNum*, const BigNum*, BigNum*);
    for (int iter = 0; iter < 8000; ++iter) {
        mpz_class x = Hard(Size()) * (Below(2) ? 1 : -1), y = Hard(Size()) * (Below(2) ? 1 : -1);
        if (uint32_t pick = Below(8); pick < 2) y = pick == 0 ? x : mpz_class(-x);  // equal magnitudes
        uint32_t big = std::max(Words(x), Words(y)) + 2 + Words(y);
        const std::pair<Op, mpz_class> cases[] = {{BnAdd, x + y}, {BnSub, x - y}, {BnMul, x * y}};
        for (const auto& [op, want] : cases) {
            // Result in its own record, in a's or b's, overflowing or exactly filling it.
            uint32_t need = Words(want), mode = Below(5), cap = mode == 3 ? std::max(need - 1, 1u) : mode == 4 ? need : big;
            Num a(x, big), b(y, big), r(cap), &got = mode == 1 ? a : mode == 2 ? b : r;
            ASSERT_EQ(op(&a.b, &b.b, &got.b), 0);
            if (got.b.capacity < need) {  // the low words, used = capacity, the sign kept
                ASSERT_TRUE(got.b.used == cap && got.Value() == (want < 0 ? -Low(abs(want), cap) : Low(want, cap)));
                continue;
            }
            ASSERT_TRUE(Is(got, want)) << x.get_str(16) << " " << y.get_str(16);
            if (want == 0)  // only a product of opposite signs is a zero with sign 1
                ASSERT_EQ(got.b.sign, op == BnMul && (x < 0) != (y < 0) ? 1u : 0u);
        }
        // Non-negative divisions; the remainder may be either operand.
        mpz_class u = abs(x), v = std::max(mpz_class(abs(y)), mpz_class(1));
        Num a(u), b(v), q(big);
        ASSERT_TRUE(BnDivide(&a, &b, &q, &a) == 0 && Is(q, u / v) && Is(a, u % v) && Is(b, v));
        a.Set(u);
        ASSERT_TRUE(BnDiv(&a, &b, &a) == 0 && Is(a, u / v));
        a.Set(u);
        ASSERT_TRUE(BnMod(&a, &b, &b) == 0 && Is(b, u % v));
    }
}

// The coefficients of the classical remainder sequence started from (b, a), with GMP.
void ExtendedOracle(mpz_class r1, mpz_class r0, mpz_class& x, mpz_class& y, mpz_class& g) {
    mpz_class u0 = 1, v0 = 0, u1 = 0, v1 = 1;
    while (r1 != 0) {
        mpz_class q = r0 / r1;
        r0 = std::exchange(r1, mpz_class(r0 - q * r1));
        u0 = std::exchange(u1, mpz_class(u0 - q * u1));
        v0 = std::exchange(v1, mpz_class(v0 - q * v1));
    }
    g = r0, x = v0, y = u0;
}

TEST(BnGcd, GcdAndExtendedAgainstGmp) {
    const int known[][5] = {{3, 11, 1, 4, -1}, {17, 3120, 1, -367, 2}, {12, 18, 6, -1, 1},  // a b g x y
                            {11, 3, 1, -1, 4}, {0, 7, 7, 0, 1},        {7, 0, 7, 1, 0}, {0, 0, 0, 0, 1}};
    for (const auto& k : known) {
        Num a(mpz_class(k[0]), 2), b(mpz_class(k[1]), 2), x(3), y(3), g(3);
        a.b.used = k[0] == 0 ? 2 : 1;  // a zero with a leading zero word is still zero
        EXPECT_TRUE(BnExtendedGcd(&a, &b, &x, &y, &g) == 0 && Is(g, k[2]) && Is(x, k[3]) && Is(y, k[4])) << k[0];
    }
    for (int iter = 0; iter < 1500; ++iter) {
        mpz_class common = Below(3) == 0 ? Hard(1 + Below(3)) : mpz_class(1), wx, wy, wg;
        mpz_class u = Hard(1 + Below(Below(3) ? 8 : 66)) * common, v = Hard(1 + Below(Below(3) ? 8 : 66)) * common;
        uint32_t c = std::max(Words(u), Words(v)) + 1;
        Num a(u, c), b(v, c), r(c), x(c), y(c), g(c);
        r.b.words[0] = 99;
        ASSERT_TRUE(BnGcd(&a, &b, &r) == 0 && Is(r, (u == 0 || v == 0) ? mpz_class(99) : gcd(u, v)));  // zero: unchanged
        ExtendedOracle(u, v, wx, wy, wg);
        ASSERT_TRUE(BnExtendedGcd(&a, &b, &x, &y, &g) == 0 && Is(g, wg) && Is(x, wx) && Is(y, wy))
            << u.get_str(16) << " " << v.get_str(16);
    }
}

// BnExtendedGcd against the straightforward version it replaced: the same
// gcd, coefficients, signs and record states, with random, equal and
// coprime pairs, an operand 1 or 0, common factors, leading zero words and
// outputs too short for the answer (which keep only its low words).
TEST(BnGcd, ExtendedEqualsTheReference) {
    for (int iter = 0; iter < 3000; ++iter) {
        mpz_class common = Below(3) == 0 ? Hard(1 + Below(3)) : mpz_class(1);
        mpz_class u = Hard(1 + Below(Below(3) ? 8 : 66)) * common, v = Hard(1 + Below(Below(3) ? 8 : 66)) * common;
        if (uint32_t pick = Below(8); pick < 3) (pick == 0 ? v : pick == 1 ? u : v) = pick == 0 ? u : mpz_class(1);
        uint32_t c = std::max(Words(u), Words(v)) + 1, out = Below(4) == 0 ? 1 + Below(c) : c;
        Num a(u, c + 1), b(v, c + 1), a2(u, c + 1), b2(v, c + 1);
        Num x(out), y(out), g(out), rx(out), ry(out), rg(out);
        if (Below(4) == 0) a.b.used = a2.b.used = c + 1;  // leading zero words
        ASSERT_EQ(BnExtendedGcd(&a, &b, &x, &y, &g), 0);
        ASSERT_EQ(BnExtendedGcdReference(&a2, &b2, &rx, &ry, &rg), 0);
        for (auto [got, want] : {std::pair{&x.b, &rx.b}, {&y.b, &ry.b}, {&g.b, &rg.b}})
            ASSERT_TRUE(got->used == want->used && got->sign == want->sign &&
                        std::equal(got->words, got->words + out, want->words))
                << u.get_str(16) << " " << v.get_str(16) << " out " << out;
    }
}

// Failing the n-th allocation of an operation: -1, results unwritten, all released and cleared.
TEST(BnAllocation, EveryFailureIsCleanedUp) {
    mpz_class x = Hard(9) | (mpz_class(1) << 280), y = Hard(4) | 1, m = HardDivisor(6) | 1;
    Num a(x, 12), b(y, 12), mod(m), e(mpz_class(0x1B)), r(mpz_class(12345), 20), r2(20), r3(20);
    const std::pair<const char*, std::function<int32_t()>> ops[] = {
        {"BnSquare", [&] { return BnSquare(&a, &r); }}, {"BnModExp", [&] { return BnModExp(&a, &e, &mod, &r); }},
        {"BnAdd", [&] { return BnAdd(&a, &b, &r); }},   {"BnSub", [&] { return BnSub(&a, &b, &r); }},
        {"BnMul", [&] { return BnMul(&a, &b, &r); }},   {"BnDiv", [&] { return BnDiv(&a, &b, &r); }},
        {"BnMod", [&] { return BnMod(&a, &b, &r); }},   {"BnDivide", [&] { return BnDivide(&a, &b, &r2, &r); }},
        {"BnGcd", [&] { return BnGcd(&a, &b, &r); }},   {"BnExtendedGcd", [&] { return BnExtendedGcd(&a, &b, &r, &r2, &r3); }}};
    auto results = [&] { return std::vector<mpz_class>{r.Value(), r2.Value(), r3.Value()}; };
    for (const auto& [name, op] : ops) {
        for (uint64_t n = 1;; ++n) {
            const std::vector<mpz_class> before = results();
            HeapTestReset(n);
            int32_t status = op();
            bool clean = HeapTestLive() == 0 && HeapTestUnclearedReleases() == 0, failed = HeapTestAllocations() >= n;
            HeapTestReset(0);
            ASSERT_TRUE(clean) << name << " n=" << n;
            if (!failed) {
                ASSERT_EQ(status, 0) << name;
                break;
            }
            ASSERT_TRUE(status == -1 && results() == before) << name << " n=" << n;
        }
    }
    EXPECT_TRUE(a.Mag() == x && b.Mag() == y);
}

}  // namespace
