// The private-key exports (KxUnsealRsaBlock and both blinded ones) against GMP
// on OpenSSL-made keys, the argument rules and the order of decisions, an
// allocation failure at every point, and the blinding under the scripted
// generator (this program runs with KX_FAKE_RNG_ENV).
#include <gmpxx.h>
#include <gtest/gtest.h>

#include <array>
#include <tuple>

#include "fakes/fake_rng.h"
#include "gate_scope.h"
#include "heap.h"
#include "test_support.h"

namespace {

enum Export { kPlain, kBlinding, kBlinding2 };
const Export ALL_EXPORTS[] = {kPlain, kBlinding, kBlinding2};
const char* const NAMES[] = {"KxUnsealRsaBlock", "KxUnsealRsaBlockBlinding", "KxUnsealRsaBlockBlinding2"};

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
    mpz_class r;
    mpz_powm(r.get_mpz_t(), Z(c).get_mpz_t(), Z(k[D]).get_mpz_t(), Z(k[N]).get_mpz_t());
    return B(r);
}

// Inputs for n in an L-byte record: below n, above n (L bytes 0xFF, and with a
// middle byte changed), n, n - 1, 0, 1, empty, n + 1 (if it fits).
std::vector<Bytes> InputsFor(const Bytes& n, size_t L) {
    Bytes below = Pattern(n.size(), 7), above(L, 0xFF), above2 = above;
    below[0] = n[0] / 2;
    above2[L / 2] ^= 0x5A;
    std::vector<Bytes> out = {below, above, above2, n, B(Z(n) - 1), {0x00}, {0x01}, {}};
    if (B(Z(n) + 1).size() <= L) out.push_back(PadTo(B(Z(n) + 1), L));
    return out;
}

// One call: the byte strings (n padded to L bytes, every record when `padAll`),
// the records over them (rec[OUT]: the output), which are passed as null, and
// an output buffer of L bytes plus a guard, all 0xCC, its length a sentinel.
constexpr uint32_t kSentinel = 0xDEAD;
struct Call {
    std::array<Bytes, OUT> bytes;
    std::array<OctetString, OUT + 1> rec{};
    std::array<bool, OUT + 1> nullRecord{};
    Bytes buf;
    uint32_t error = 0xFFFF;

    Call(const Key& k, const Bytes& input, size_t L = 0, bool padAll = false) {
        std::copy(k.begin(), k.end(), bytes.begin());
        bytes[IN] = input;
        L = std::max(L, k[N].size());
        for (int i = 0; i < OUT; ++i) bytes[i] = i == N || padAll ? PadTo(bytes[i], L) : bytes[i];
        Refresh();
        buf.assign(L + 8, 0xCC);
        rec[OUT] = OctetString{buf.data(), kSentinel};
    }
    void Refresh() { std::transform(bytes.begin(), bytes.end(), rec.begin(), Rec); }
    OctetString* R(Pos p) { return nullRecord[p] ? nullptr : &rec[p]; }
    int32_t Run(Export x, uint32_t* err) {
        if (x == kBlinding2)
            return KxUnsealRsaBlockBlinding2(R(D), R(E), R(N), R(P), R(Q), R(DP), R(DQ), R(QINV), R(IN), R(OUT), err);
        return (x == kPlain ? KxUnsealRsaBlock : KxUnsealRsaBlockBlinding)(R(D), R(N), R(P), R(Q), R(DP), R(DQ),
                                                                           R(QINV), R(IN), R(OUT), err);
    }
    int32_t Run(Export x) { return Run(x, &error); }
    Bytes Out() const { return Bytes(buf.begin(), buf.begin() + std::min<size_t>(rec[OUT].length, buf.size())); }
    bool OutputUntouched() const {
        return rec[OUT].length == kSentinel && std::count(buf.begin(), buf.end(), 0xCC) == long(buf.size());
    }
};

struct RsaTest : ::testing::Test {
    void SetUp() override { KX_REQUIRE_FAKE_RNG(); }
};

// Natural records at 512 to 2048 bits, odd sizes; records longer than their
// minimal form (L counts the leading zeros, so w and R grow while n does not;
// with `padAll` every component is L bytes); small primes in 64-byte records
// (R then about 2^512 times n); d mod lcm and d + lcm, one of which makes the
// exponent the blinding derives (d^-1 mod (p - 1)(q - 1)) nearly as long as n
// (OpenSSL's d gives e itself). Blinding draws 4·w bytes (w = words of L bytes).
TEST_F(RsaTest, AllExportsEqualTheOracle) {
    std::vector<std::tuple<Key, size_t, bool>> cases;
    for (auto [bits, L, padAll] : {std::tuple{512, 0, false}, {520, 0, false}, {768, 0, false}, {1000, 0, false},
                                   {1024, 0, false}, {1030, 0, false}, {2048, 0, false}, {512, 65, false},
                                   {512, 64, true}, {512, 80, true}, {520, 66, false}, {1000, 128, true},
                                   {1024, 129, false}, {1024, 256, true}, {1030, 131, true}, {2048, 256, true}})
        cases.emplace_back(OpenSslKey(bits), L, padAll);
    for (auto [p, q, e] : {std::tuple{65521ul, 65519ul, 11ul}, {65519ul, 65521ul, 65537ul},
                           {4294967291ul, 4294967279ul, 3ul}, {1000003ul, 999983ul, 65537ul}})
        cases.emplace_back(MakeKey(p, q, e), 64, false);
    for (int bits : {512, 1000, 1030}) {
        size_t longest = 0;
        for (bool plusLambda : {false, true}) {
            const Key o = OpenSslKey(bits), k = MakeKey(Z(o[P]), Z(o[Q]), Z(o[E]), plusLambda);
            mpz_class derived, phi = (Z(k[P]) - 1) * (Z(k[Q]) - 1);
            ASSERT_NE(mpz_invert(derived.get_mpz_t(), Z(k[D]).get_mpz_t(), phi.get_mpz_t()), 0);
            longest = std::max(longest, mpz_sizeinbase(derived.get_mpz_t(), 2));
            cases.emplace_back(k, 0, false);
        }
        EXPECT_GT(longest, size_t(bits) / 2) << bits;
    }
    for (const auto& [k, L, padAll] : cases) {
        for (const Bytes& c : InputsFor(k[N], std::max(L, k[N].size()))) {
            const Bytes want = Expected(k, c);
            for (Export x : ALL_EXPORTS) {
                SCOPED_TRACE(::testing::Message() << NAMES[x] << " n " << ToHex(k[N]).substr(0, 8) << " L " << L
                                                  << " pad " << padAll << " in " << ToHex(c));
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

// The blinding applies the drawn R: R = 1 and the largest R give the right
// result, R = p (not checked) a wrong one. Blinding2 with a wrong e returns 0
// with a wrong result. A failing generator gives 62 (not its own code), no
// output, no leak.
TEST_F(RsaTest, Blinding) {
    const Key k = OpenSslKey(520);
    const Bytes c = InputsFor(k[N], k[N].size())[0], want = Expected(k, c);
    for (auto [r, correct] : {std::pair{Bytes{1}, true}, {Bytes(68, 0xFF), true}, {k[P], false}}) {
        Bytes script(r.rbegin(), r.rend());  // first byte drawn = least significant
        script.resize(68, 0);
        for (Export x : {kBlinding, kBlinding2}) {
            FakeRng().script(script.data(), static_cast<uint32_t>(script.size()));
            Call call(k, c);
            ASSERT_EQ(call.Run(x), 0);
            EXPECT_EQ(call.Out() == want, correct) << NAMES[x] << " R " << ToHex(r);
        }
    }
    for (const Bytes& e : {Bytes{0x01, 0x00, 0x03}, Bytes{0x03}, Bytes{0x01}}) {
        Call call(k, c);
        call.rec[E] = Rec(e);
        EXPECT_EQ(call.Run(kBlinding2), 0);
        EXPECT_TRUE(call.error == 0 && call.Out() != want) << ToHex(e);
    }
    for (Export x : {kBlinding, kBlinding2}) {
        FakeRng().failOnCall(1);
        HeapTestReset(0);
        Call call(k, c);
        EXPECT_EQ(call.Run(x), -1);
        EXPECT_TRUE(call.error == 62 && call.OutputUntouched() && HeapTestLive() == 0 && !HeapTestUnclearedReleases())
            << NAMES[x] << " error " << call.error;
    }
}

// Each rule changes one record of a valid call (512-bit key, L = 64): makes it
// null, its data null, its value zero, or its length `change` (zeros added or
// bytes dropped at the front). Behind a closed gate every call gives 546 and
// draws nothing; then a rejected one gives 99 before any allocation, and no
// call writes output or error without an error location.
enum : int { kNull = -1, kNullData = -2, kZero = -3 };
TEST_F(RsaTest, DecisionOrder) {
    struct Rule { Pos pos; int change; bool accepted; };
    std::vector<Rule> rules = {{N, kZero, false}, {P, kZero, false}, {Q, kZero, false}, {P, 0, false},
                               {Q, 0, false},     {N, 63, false},    {N, 257, false},
                               {IN, 0, true},     {D, 0, true}};  // empty: p, q zero; d is never used
    for (int pos = D; pos <= OUT; ++pos) {
        rules.push_back({Pos(pos), kNull, false});
        rules.push_back({Pos(pos), kNullData, false});
        if (pos != N && pos != OUT) rules.push_back({Pos(pos), 65, false});
    }
    const Key k = OpenSslKey(512);
    for (const Rule& rule : rules) {
        for (Export x : ALL_EXPORTS) {
            if (rule.pos == E && x != kBlinding2) continue;
            SCOPED_TRACE(::testing::Message() << NAMES[x] << " change " << rule.change << " at " << rule.pos);
            Call call(k, InputsFor(k[N], 64)[0], 64);
            Bytes& b = call.bytes[std::min(rule.pos, IN)];
            if (rule.change == kZero) b.assign(b.size(), 0);
            const size_t kept = std::min<size_t>(std::max(rule.change, 0), b.size());
            if (rule.change >= 0) b = PadTo(Bytes(b.end() - kept, b.end()), rule.change);
            call.Refresh();
            if (rule.change == kNull) call.nullRecord[rule.pos] = true;
            if (rule.change == kNullData) call.rec[rule.pos].data = nullptr;
            const bool outputUsable = !call.nullRecord[OUT] && call.rec[OUT].data != nullptr;
            FakeRng().reset(0);
            {
                JcmvpErrorStateScope closedGate;
                EXPECT_EQ(call.Run(x, nullptr) + call.Run(x), -2);
                EXPECT_EQ(call.error, 546u) << "the gate comes first";
                EXPECT_TRUE(FakeRng().calls() == 0 && (!outputUsable || call.OutputUntouched()));
            }
            HeapTestReset(0);
            EXPECT_EQ(call.Run(x), rule.accepted ? 0 : -1);
            EXPECT_EQ(call.error, rule.accepted ? 0u : 99u);
            if (rule.accepted) continue;
            EXPECT_EQ(HeapTestAllocations(), 0u) << "validation comes before any allocation";
            EXPECT_EQ(call.Run(x, nullptr), -1);
            if (outputUsable) EXPECT_TRUE(call.OutputUntouched());
        }
    }
}

// Allocation n fails, for n = 1, 2, ... until the call succeeds: 62, no output,
// nothing live, no word array released uncleared, and nothing drawn before the
// sixteen records and R exist. The small key reaches every allocation site
// with few allocations; of a 512-bit key's thousands, every 61st is tried.
TEST_F(RsaTest, AllocationFailureAtEveryPoint) {
    for (auto [key, stride] : {std::pair{MakeKey(65521, 65519, 65537), 1}, {OpenSslKey(512), 61}}) {
        const Bytes c = {0x12, 0x34, 0x56}, want = Expected(key, c);
        for (Export x : ALL_EXPORTS) {
            uint64_t failAt = 1;
            for (; failAt < 200000; failAt += stride) {
                SCOPED_TRACE(::testing::Message() << NAMES[x] << " stride " << stride << " fail at " << failAt);
                FakeRng().reset(0);
                Call call(key, c, 64);
                HeapTestReset(failAt);
                const int32_t result = call.Run(x);
                const bool clean = HeapTestLive() == 0 && HeapTestUnclearedReleases() == 0,
                           complete = HeapTestAllocations() < failAt;  // nothing failed
                HeapTestReset(0);
                ASSERT_TRUE(clean) << "live allocations or word arrays released uncleared";
                if (complete) {
                    ASSERT_TRUE(result == 0 && call.Out() == want);
                    break;
                }
                ASSERT_TRUE(result == -1 && call.error == 62 && call.OutputUntouched()) << "error " << call.error;
                if (failAt <= 17) ASSERT_EQ(FakeRng().calls(), 0u) << "drawn before the allocations";
            }
            EXPECT_TRUE(failAt > 16 && failAt < 200000) << failAt;
        }
    }
}

}  // namespace
