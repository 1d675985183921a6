// KxUnsealRsaBlock and both blinded exports against GMP on OpenSSL keys, the
// order of decisions, allocation failures, and the blinding under the scripted
// generator (this program runs with KX_FAKE_RNG_ENV).
#include <gmpxx.h>
#include <gtest/gtest.h>

#include <array>
#include <tuple>

#include "failure_points.h"
#include "fakes/fake_rng.h"
#include "gate_scope.h"
#include "heap.h"
#include "rsa.h"
#include "test_support.h"

namespace {

enum Export { kPlain, kBlinding, kBlinding2 };  // traces show 0, 1, 2
// Record positions in KxUnsealRsaBlockBlinding2's order (the others skip e).
enum Pos { D, E, N, P, Q, DP, DQ, QINV, IN, OUT };
using Key = std::array<Bytes, IN>;

mpz_class Z(const Bytes& b) { mpz_class r; MpzFromBytes(r.get_mpz_t(), b); return r; }
Bytes B(const mpz_class& v) { return BytesFromMpz(v.get_mpz_t()); }
Bytes PadTo(Bytes b, size_t L) { return b.insert(b.begin(), L - std::min(L, b.size()), 0), b; }

// The key of p, q, e with d = e^-1 mod lcm(p - 1, q - 1), plus that lcm when
// `plusLambda`: the same CRT components, another exponent for the blinding.
Key MakeKey(const mpz_class& p, const mpz_class& q, const mpz_class& e, bool plusLambda = false) {
    mpz_class lambda = lcm(p - 1, q - 1), d, qInv;
    EXPECT_NE(mpz_invert(d.get_mpz_t(), e.get_mpz_t(), lambda.get_mpz_t()), 0);
    if (plusLambda) d += lambda;
    mpz_invert(qInv.get_mpz_t(), q.get_mpz_t(), p.get_mpz_t());
    return {B(d), B(e), B(p * q), B(p), B(q), B(d % (p - 1)), B(d % (q - 1)), B(qInv)};
}
Key OpenSslKey(int bits) { const TestKey& k = KeyOf(bits); return {k.d, k.e, k.n, k.p, k.q, k.dP, k.dQ, k.qInv}; }

Bytes Expected(const Key& k, const Bytes& c) {  // c^d mod n
    mpz_class r, b = Z(c), d = Z(k[D]), n = Z(k[N]);
    return mpz_powm(r.get_mpz_t(), b.get_mpz_t(), d.get_mpz_t(), n.get_mpz_t()), B(r);
}

// Inputs for n in an L-byte record: below n, above n (L bytes 0xFF, and with a
// middle byte changed), n, n - 1, n + 1, 0, 1, empty.
std::vector<Bytes> InputsFor(const Bytes& n, size_t L) {
    Bytes below = Pattern(n.size(), 7), above(L, 0xFF), above2 = above;
    below[0] = n[0] / 2;
    above2[L / 2] ^= 0x5A;
    return {below, above, above2, n, B(Z(n) - 1), PadTo(B(Z(n) + 1), L), {0x00}, {0x01}, {}};
}

// One call: byte strings (n padded to L bytes, all when `padAll`), records over
// them, which are passed as null, and an output of L bytes + guard, all 0xCC.
struct Call {
    std::array<Bytes, OUT> bytes;
    std::array<OctetString, OUT + 1> rec{};
    std::array<bool, OUT + 1> nullRecord{};
    Bytes buf;
    uint32_t error = 0xFFFF;

    Call(const Key& k, const Bytes& input, size_t L = 0, bool padAll = false)
        : buf(std::max(L, k[N].size()) + 8, 0xCC) {
        for (int i = 0; i < OUT; ++i) bytes[i] = PadTo(i == IN ? input : k[i], i == N || padAll ? buf.size() - 8 : 0);
        Refresh();
        rec[OUT] = OctetString{buf.data(), 0xDEAD};  // the length: a sentinel
    }
    void Refresh() { std::transform(bytes.begin(), bytes.end(), rec.begin(), Rec); }
    OctetString* R(Pos p) { return nullRecord[p] ? nullptr : &rec[p]; }
    int32_t Run(Export x, bool errorLocation = true) {
        uint32_t* err = errorLocation ? &error : nullptr;
        if (x == kBlinding2)
            return KxUnsealRsaBlockBlinding2(R(D), R(E), R(N), R(P), R(Q), R(DP), R(DQ), R(QINV), R(IN), R(OUT), err);
        return (x == kPlain ? KxUnsealRsaBlock : KxUnsealRsaBlockBlinding)(R(D), R(N), R(P), R(Q), R(DP), R(DQ),
                                                                           R(QINV), R(IN), R(OUT), err);
    }
    Bytes Out() const { return Bytes(buf.begin(), buf.begin() + std::min<size_t>(rec[OUT].length, buf.size())); }
    bool OutputUntouched() const {  // or not usable: null, or its data null
        return nullRecord[OUT] || !rec[OUT].data || (rec[OUT].length == 0xDEAD && buf == Bytes(buf.size(), 0xCC));
    }
};

struct RsaTest : ::testing::Test {
    void SetUp() override { KX_REQUIRE_FAKE_RNG(); }
};

// 512 to 2048 bits, odd sizes; records with leading zeros (L bytes: w and R grow,
// n does not); small primes in 64-byte records; d mod lcm and d + lcm, one making
// the blinding's derived exponent d^-1 mod (p-1)(q-1) nearly as long as n (from
// OpenSSL's d it is e itself). Blinding draws 4·w bytes (w = words of L bytes).
TEST_F(RsaTest, AllExportsEqualTheOracle) {
    std::vector<std::tuple<Key, size_t, bool>> cases;
    for (auto [bits, L, padAll] : {std::tuple{512, 0, 0}, {520, 0, 0}, {768, 0, 0}, {1000, 0, 0}, {1024, 0, 0},
                                   {1030, 0, 0}, {2048, 0, 0}, {512, 65, 0}, {512, 64, 1}, {512, 80, 1}, {520, 66, 0},
                                   {1000, 128, 1}, {1024, 129, 0}, {1024, 256, 1}, {1030, 131, 1}, {2048, 256, 1}})
        cases.emplace_back(OpenSslKey(bits), L, padAll);
    for (auto [p, q, e] : {std::tuple{65521ul, 65519ul, 11ul}, {65519ul, 65521ul, 65537ul},
                           {4294967291ul, 4294967279ul, 3ul}, {1000003ul, 999983ul, 65537ul}})
        cases.emplace_back(MakeKey(p, q, e), 64, false);
    for (int bits : {512, 1000, 1030}) {
        size_t longest = 0;
        for (bool plusLambda : {false, true}) {
            const Key o = OpenSslKey(bits), k = MakeKey(Z(o[P]), Z(o[Q]), Z(o[E]), plusLambda);
            mpz_class derived, d = Z(k[D]), phi = (Z(k[P]) - 1) * (Z(k[Q]) - 1);
            ASSERT_NE(mpz_invert(derived.get_mpz_t(), d.get_mpz_t(), phi.get_mpz_t()), 0);
            longest = std::max(longest, mpz_sizeinbase(derived.get_mpz_t(), 2));
            cases.emplace_back(k, 0, false);
        }
        EXPECT_GT(longest, size_t(bits) / 2) << bits;
    }
    for (const auto& [k, L, padAll] : cases) {
        for (const Bytes& c : InputsFor(k[N], std::max(L, k[N].size()))) {
            const Bytes want = Expected(k, c);
            for (Export x : {kPlain, kBlinding, kBlinding2}) {
                SCOPED_TRACE(::testing::Message() << x << " n " << ToHex(k[N]).substr(0, 8) << " L " << L
                                                  << "/" << padAll << " in " << ToHex(c));
                FakeRng().reset(0);
                Call call(k, c, L, padAll);
                ASSERT_TRUE(call.Run(x) == 0 && call.error == 0) << "error " << call.error;
                EXPECT_EQ(ToHex(call.Out()), ToHex(want));
                EXPECT_EQ(call.buf[call.bytes[N].size()], 0xCC) << "wrote past L bytes";
                const size_t w = (call.bytes[N].size() + 3) / 4;  // blinding: 4·w bytes in one draw
                EXPECT_TRUE(FakeRng().bytesDrawn() == (x == kPlain ? 0 : 4 * w) && FakeRng().calls() == (x != kPlain));
            }
        }
    }
}

// The drawn R is applied: R = 1 and the largest R give the right result, R = p a
// wrong one; so does Blinding2 with a wrong e, returning 0. A failing generator
// gives 62 (not its own code), no output, no leak.
TEST_F(RsaTest, Blinding) {
    const Key k = OpenSslKey(520);
    const Bytes c = InputsFor(k[N], k[N].size())[0], want = Expected(k, c);
    for (auto [r, correct] : {std::pair{Bytes{1}, true}, {Bytes(68, 0xFF), true}, {k[P], false}}) {
        Bytes script(r.rbegin(), r.rend());  // first byte drawn = least significant
        script.resize(68, 0);
        for (Export x : {kBlinding, kBlinding2}) {
            FakeRng().script(script.data(), static_cast<uint32_t>(script.size()));
            Call call(k, c);
            EXPECT_TRUE(call.Run(x) == 0 && (call.Out() == want) == correct) << "export " << x << " R " << ToHex(r);
        }
    }
    for (const Bytes& e : {Bytes{0x01, 0x00, 0x03}, Bytes{0x03}, Bytes{0x01}}) {
        Call call(k, c);
        call.rec[E] = Rec(e);
        EXPECT_TRUE(call.Run(kBlinding2) == 0 && call.error == 0 && call.Out() != want) << ToHex(e);
    }
    for (Export x : {kBlinding, kBlinding2}) {
        FakeRng().failOnCall(1);
        HeapTestReset(0);
        Call call(k, c);
        EXPECT_TRUE(call.Run(x) == -1 && call.error == 62 && call.OutputUntouched() && HeapTestLive() == 0 &&
                    !HeapTestUnclearedReleases()) << "export " << x << " error " << call.error;
    }
}

// The blinded operation composed from its steps with R^E mod n by one
// exponentiation modulo n, for the R whose drawn bytes are `script`: the
// reference for the exports, which may take R^E by the factors instead.
Bytes OneExponentiationBlinded(Call& call, Export x, const Bytes& script) {
    auto r = [&](Pos p) { return &call.rec[p]; };
    const PrivateKeyArgs args{r(D), x == kBlinding2 ? r(E) : nullptr, r(N), r(P), r(Q), r(DP), r(DQ), r(QINV), r(IN),
                              r(OUT)};
    const uint32_t w = (args.n->length + 3) / 4;
    const Bytes rBytes(script.rbegin(), script.rend());  // first byte drawn = least significant
    const OctetString rRec = Rec(rBytes);
    PrivateKeyWork k;
    BigNum R{}, Ex{}, S{}, T{};
    BnRelease release{&R, &Ex, &S, &T};
    uint32_t bits = 0;
    EXPECT_TRUE(AllocPrivateKeyWork(args, w, &k) == 0 && BnAlloc(w, &R) == 0 && BnAlloc(w, &S) == 0 &&
                BnAlloc(w, &T) == 0);
    BnFromOctets(&R, &rRec);
    if (x == kBlinding2) {
        EXPECT_EQ(BnAlloc(w + 1, &Ex), 0);
        BnFromOctets(&Ex, args.e);
    } else {
        EXPECT_EQ(DerivePublicExponent(&k.P, &k.Q, &k.D, &k.N, &Ex), 0);
    }
    BnBitLength(&k.IN, &bits);
    EXPECT_TRUE(BnModExp(&R, &Ex, &k.N, &S) == 0 && BnModMul(&k.IN, &S, &k.N, &T) == 0);
    BnCopy(&T, &k.IN);
    EXPECT_TRUE(CrtCore(&k) == 0 && UnblindResult(&k.M, &R, &k.N) == 0);
    Bytes out(4 * w);
    OctetString o{out.data(), 0};
    BnToOctets(&o, &k.M);
    return out.resize(o.length), out;
}

// Keys whose CRT components do or do not describe n (only those that do take
// R^E by the factors), each under R = 0, 1, p, n, the largest R (above n) and
// a random one: both exports equal the composition above, and the
// factorisation check says which keys qualify.
TEST_F(RsaTest, BlindingPowerByTheFactorsEqualsOneExponentiation) {
    struct Case { const char* name; Key base; mpz_class n, p, q, qInv; bool consistent; };
    auto longExponent = [](int bits) {  // d + lcm: a derived E nearly as long as n
        const Key o = OpenSslKey(bits);
        return MakeKey(Z(o[P]), Z(o[Q]), Z(o[E]), true);
    };
    std::vector<Case> cases;
    for (int bits : {512, 1000, 1030, 2048}) {
        const Key k = longExponent(bits);
        cases.push_back({"consistent", k, Z(k[N]), Z(k[P]), Z(k[Q]), Z(k[QINV]), true});
    }
    const Key o = longExponent(512);
    const mpz_class n = Z(o[N]), p = Z(o[P]), q = Z(o[Q]), qInv = Z(o[QINV]);
    mpz_class f[3], pcInv;
    for (uint32_t i = 0; i < 3; ++i) {  // 128, 128 and 256 bits: p = f0·f1 composite, n of 64 bytes
        mpz_class start = Z(Pattern(i < 2 ? 16 : 32, i + 1));
        mpz_setbit(start.get_mpz_t(), i < 2 ? 127 : 255);
        mpz_nextprime(f[i].get_mpz_t(), start.get_mpz_t());
    }
    const mpz_class pc = f[0] * f[1];
    mpz_invert(pcInv.get_mpz_t(), f[2].get_mpz_t(), pc.get_mpz_t());
    cases.insert(cases.end(), {{"qInv + p", o, n, p, q, qInv + p, true},
                               {"p composite", o, pc * f[2], pc, f[2], pcInv, true},
                               {"n != pq", o, n - 2, p, q, qInv, false},
                               {"wrong qInv", o, n, p, q, qInv + 1, false},
                               {"qInv 0", o, n, p, q, 0, false},
                               {"p, q swapped", o, n, q, p, qInv, false},
                               {"p = q", o, p * p, p, p, 1, false},
                               {"p = 1", o, n, 1, n, 1, false},
                               {"q = 1", o, n, n, 1, 1, false}});
    for (const Case& c : cases) {
        Key k = c.base;
        const mpz_class d = Z(k[D]);
        k[N] = B(c.n), k[P] = B(c.p), k[Q] = B(c.q), k[QINV] = B(c.qInv);
        auto below = [](const mpz_class& x) { return x > 1 ? mpz_class(x - 1) : mpz_class(1); };
        k[DP] = B(d % below(c.p)), k[DQ] = B(d % below(c.q));
        const size_t L = k[N].size(), w = (L + 3) / 4;
        SCOPED_TRACE(c.name);
        {
            Call call(k, {});
            PrivateKeyWork work;
            const PrivateKeyArgs args{&call.rec[D], nullptr, &call.rec[N], &call.rec[P], &call.rec[Q], &call.rec[DP],
                                      &call.rec[DQ], &call.rec[QINV], &call.rec[IN], &call.rec[OUT]};
            bool consistent = !c.consistent;
            ASSERT_EQ(AllocPrivateKeyWork(args, static_cast<uint32_t>(w), &work), 0);
            EXPECT_TRUE(IsFactorisationConsistent(&work.N, &work.P, &work.Q, &work.QINV, &consistent) == 0 &&
                        consistent == c.consistent);
        }
        for (const Bytes& r : {Bytes{}, Bytes{1}, B(c.p), B(c.n), Bytes(4 * w, 0xFF), Pattern(4 * w, 9)}) {
            Bytes script(r.rbegin(), r.rend());
            script.resize(4 * w, 0);
            for (Export x : {kBlinding, kBlinding2}) {
                SCOPED_TRACE(::testing::Message() << "export " << x << " R " << ToHex(r).substr(0, 16));
                FakeRng().script(script.data(), static_cast<uint32_t>(script.size()));
                Call call(k, InputsFor(k[N], L)[0]);
                ASSERT_EQ(call.Run(x), 0) << call.error;
                EXPECT_EQ(ToHex(call.Out()), ToHex(OneExponentiationBlinded(call, x, script)));
            }
        }
    }
}

// Each rule makes one record of a valid call (512-bit key, L = 64) null, its data
// null, its value zero, or `change` bytes long (front zeros added or bytes cut).
// Behind a closed gate every call gives 546, draws and writes nothing; then a
// rejected one gives 99 before any allocation and writes nothing.
enum : int { kNull = -1, kNullData = -2, kZero = -3 };
TEST_F(RsaTest, DecisionOrder) {
    struct Rule { Pos pos; int change; bool ok; };
    std::vector<Rule> rules = {{N, kZero, false}, {P, kZero, false}, {Q, kZero, false}, {P, 0, false}, {Q, 0, false},
                               {N, 63, false}, {N, 257, false}, {IN, 0, true}, {D, 0, true}};  // d is never used
    for (int pos = D; pos <= OUT; ++pos) {
        rules.insert(rules.end(), {{Pos(pos), kNull, false}, {Pos(pos), kNullData, false}});
        if (pos != N && pos != OUT) rules.push_back({Pos(pos), 65, false});
    }
    const Key k = OpenSslKey(512);
    for (const Rule& rule : rules) {
        for (Export x : {kPlain, kBlinding, kBlinding2}) {
            if (rule.pos == E && x != kBlinding2) continue;
            SCOPED_TRACE(::testing::Message() << "export " << x << " change " << rule.change << " at " << rule.pos);
            Call call(k, InputsFor(k[N], 64)[0], 64);
            Bytes& b = call.bytes[std::min(rule.pos, IN)];
            if (rule.change == kZero) b.assign(b.size(), 0);
            if (rule.change >= 0)
                b = PadTo(Bytes(b.end() - std::min<size_t>(rule.change, b.size()), b.end()), rule.change);
            call.Refresh();
            if (rule.change == kNull) call.nullRecord[rule.pos] = true;
            if (rule.change == kNullData) call.rec[rule.pos].data = nullptr;
            FakeRng().reset(0);
            {
                JcmvpErrorStateScope closedGate;
                EXPECT_TRUE(call.Run(x, false) + call.Run(x) == -2 && call.error == 546 && FakeRng().calls() == 0 &&
                            call.OutputUntouched()) << "the gate comes first; error " << call.error;
            }
            HeapTestReset(0);
            EXPECT_TRUE(call.Run(x) == (rule.ok ? 0 : -1) && call.error == (rule.ok ? 0u : 99u)) << call.error;
            if (!rule.ok)  // validation comes before any allocation
                EXPECT_TRUE(HeapTestAllocations() == 0 && call.Run(x, false) == -1 && call.OutputUntouched());
        }
    }
}

// Allocation n fails, n = 1, 2, ... until the call succeeds: 62, no output, no
// leak, no word array released uncleared, nothing drawn before the sixteen
// records and R exist. Tiny, 512- and 2048-bit keys, the mode off and on.
TEST_F(RsaTest, AllocationFailureAtEveryPoint) {
    static const char* NAMES[] = {"KxUnsealRsaBlock", "KxUnsealRsaBlockBlinding", "KxUnsealRsaBlockBlinding2"};
    for (auto [key, name] : {std::pair{MakeKey(65521, 65519, 65537), "tiny key"}, {OpenSslKey(512), "512-bit key"},
                             {OpenSslKey(2048), "2048-bit key"}}) {
        const Bytes c = {0x12, 0x34, 0x56}, want = Expected(key, c);
        for (Export x : {kPlain, kBlinding, kBlinding2}) {
            for (bool modeOn : {false, true}) {
                if (modeOn && key[N].size() > 64) continue;  // the mode changes only the gate: once is enough
                JcmvpModeOnScope mode(modeOn);
                FakeRng().reset(0);
                HeapTestReset(0);
                ASSERT_EQ(Call(key, c, 64).Run(x), 0);
                const uint64_t total = HeapTestAllocations();
                EXPECT_GT(total, 16u);
                // Every point up to 512 bits with the mode off; otherwise a spread.
                std::vector<uint64_t> points = FailurePoints(total, key[N].size() <= 64 && !modeOn ? UINT64_MAX : 400);
                points.push_back(total + 1);  // nothing fails
                for (uint64_t failAt : points) {
                    SCOPED_TRACE(::testing::Message() << "export " << x << ", " << name << ", mode " << modeOn
                                                      << ", fail at " << failAt);
                    FakeRng().reset(0);
                    Call call(key, c, 64);
                    HeapTestReset(failAt);
                    const int32_t result = call.Run(x);
                    const bool clean = HeapTestLive() == 0 && HeapTestUnclearedReleases() == 0,
                               complete = HeapTestAllocations() < failAt;  // nothing failed
                    HeapTestReset(0);
                    ASSERT_TRUE(clean) << "live allocations or word arrays released uncleared";
                    ASSERT_EQ(complete, failAt > total);
                    ASSERT_TRUE(complete ? result == 0 && call.Out() == want
                                         : result == -1 && call.error == 62 && call.OutputUntouched()) << call.error;
                    if (failAt <= 17) ASSERT_EQ(FakeRng().calls(), 0u) << "drawn before the allocations";
                }
                ReportFailurePoints(NAMES[x], std::string(name) + (modeOn ? ", mode on" : ""), points.size() - 1,
                                    total);
            }
        }
    }
}

}  // namespace
