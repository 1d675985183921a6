// The private-key operations against GMP: KxUnsealRsaBlock and both blinded
// exports on OpenSSL-made keys (512 to 2048 bits, odd sizes, padded records)
// and tiny keys; the argument rules and the order of decisions; an allocation
// failure at every allocation point; the blinding factor under the scripted
// generator (this program runs with KX_FAKE_RNG_ENV).
#include <gtest/gtest.h>
#include <openssl/bn.h>
#include <openssl/core_names.h>
#include <openssl/evp.h>
#include <openssl/rsa.h>

#include <algorithm>
#include <array>
#include <map>

#include "heap.h"
#include "fakes/fake_rng.h"
#include "test_support.h"

namespace {

enum Export { kPlain, kBlinding, kBlinding2 };
const Export ALL_EXPORTS[] = {kPlain, kBlinding, kBlinding2};
const char* Name(Export x) {
    return x == kPlain ? "KxUnsealRsaBlock" : x == kBlinding ? "KxUnsealRsaBlockBlinding" : "KxUnsealRsaBlockBlinding2";
}

// Record positions in KxUnsealRsaBlockBlinding2's order (the others skip e).
enum Pos { D, E, N, P, Q, DP, DQ, QINV, IN, kInputs };

struct Key {
    std::array<Bytes, IN> c;  // d, e, n, p, q, dP, dQ, qInv (minimal form)
};

Bytes Component(EVP_PKEY* pkey, const char* name) {
    BIGNUM* bn = nullptr;
    EXPECT_EQ(EVP_PKEY_get_bn_param(pkey, name, &bn), 1) << name;
    Bytes out(BN_num_bytes(bn));
    BN_bn2bin(bn, out.data());
    BN_clear_free(bn);
    return out;
}

// An OpenSSL key of `bits` bits (e = 65537), made once per run.
const Key& OpenSslKey(int bits) {
    static std::map<int, Key> keys;
    auto it = keys.find(bits);
    if (it != keys.end()) return it->second;
    EVP_PKEY* pkey = EVP_RSA_gen(static_cast<unsigned>(bits));
    EXPECT_NE(pkey, nullptr);
    Key k;
    const char* NAMES[IN] = {OSSL_PKEY_PARAM_RSA_D, OSSL_PKEY_PARAM_RSA_E, OSSL_PKEY_PARAM_RSA_N,
                             OSSL_PKEY_PARAM_RSA_FACTOR1, OSSL_PKEY_PARAM_RSA_FACTOR2,
                             OSSL_PKEY_PARAM_RSA_EXPONENT1, OSSL_PKEY_PARAM_RSA_EXPONENT2,
                             OSSL_PKEY_PARAM_RSA_COEFFICIENT1};
    for (int i = 0; i < IN; ++i) k.c[i] = Component(pkey, NAMES[i]);
    EVP_PKEY_free(pkey);
    return keys.emplace(bits, k).first->second;
}

// A key from two small primes and e, completed by GMP.
Key SmallKey(unsigned long p, unsigned long q, unsigned long e) {
    mpz_t v[IN], pm1, qm1, lambda;
    for (auto& x : v) mpz_init(x);
    mpz_inits(pm1, qm1, lambda, nullptr);
    mpz_set_ui(v[P], p);
    mpz_set_ui(v[Q], q);
    mpz_set_ui(v[E], e);
    mpz_mul(v[N], v[P], v[Q]);
    mpz_sub_ui(pm1, v[P], 1);
    mpz_sub_ui(qm1, v[Q], 1);
    mpz_lcm(lambda, pm1, qm1);
    EXPECT_NE(mpz_invert(v[D], v[E], lambda), 0);
    mpz_mod(v[DP], v[D], pm1);
    mpz_mod(v[DQ], v[D], qm1);
    mpz_invert(v[QINV], v[Q], v[P]);
    Key k;
    for (int i = 0; i < IN; ++i) k.c[i] = BytesFromMpz(v[i]);
    for (auto& x : v) mpz_clear(x);
    mpz_clears(pm1, qm1, lambda, nullptr);
    return k;
}

// The key with d = e^-1 mod lcm(p - 1, q - 1), plus lcm(p - 1, q - 1) when
// `plusLambda`: the same CRT components, but a different exponent E derived
// by the blinding. OpenSSL's d below 2048 bits is e^-1 mod (p - 1)(q - 1),
// for which E is e itself; of these two, one always gives an E nearly as long
// as n (gcd(p - 1, q - 1) = 2: E·d = 1 mod 2·lcm is met by e for one of them).
Key WithLcmExponent(const Key& k, bool plusLambda) {
    mpz_t p, q, e, lambda, d;
    mpz_inits(p, q, e, lambda, d, nullptr);
    MpzFromBytes(p, k.c[P]);
    MpzFromBytes(q, k.c[Q]);
    MpzFromBytes(e, k.c[E]);
    mpz_sub_ui(p, p, 1);
    mpz_sub_ui(q, q, 1);
    mpz_lcm(lambda, p, q);
    EXPECT_NE(mpz_invert(d, e, lambda), 0);
    if (plusLambda) mpz_add(d, d, lambda);
    Key out = k;
    out.c[D] = BytesFromMpz(d);
    mpz_clears(p, q, e, lambda, d, nullptr);
    return out;
}

// Bits of the exponent the blinding derives, d^-1 mod (p - 1)(q - 1).
size_t DerivedExponentBits(const Key& k) {
    mpz_t p, q, d, phi;
    mpz_inits(p, q, d, phi, nullptr);
    MpzFromBytes(p, k.c[P]);
    MpzFromBytes(q, k.c[Q]);
    MpzFromBytes(d, k.c[D]);
    mpz_sub_ui(p, p, 1);
    mpz_sub_ui(q, q, 1);
    mpz_mul(phi, p, q);
    EXPECT_NE(mpz_invert(d, d, phi), 0);
    size_t bits = mpz_sizeinbase(d, 2);
    mpz_clears(p, q, d, phi, nullptr);
    return bits;
}

Bytes PadTo(const Bytes& b, size_t length) {
    Bytes out(length - b.size(), 0);
    out.insert(out.end(), b.begin(), b.end());
    return out;
}

// c^d mod n by GMP, minimal big-endian.
Bytes Expected(const Key& k, const Bytes& c) {
    mpz_t cz, dz, nz;
    mpz_inits(cz, dz, nz, nullptr);
    MpzFromBytes(cz, c);
    MpzFromBytes(dz, k.c[D]);
    MpzFromBytes(nz, k.c[N]);
    mpz_powm(cz, cz, dz, nz);
    Bytes out = BytesFromMpz(cz);
    mpz_clears(cz, dz, nz, nullptr);
    return out;
}

// One call's records: the byte strings, the records over them, and which
// record pointers are passed as null. The output buffer is L bytes plus a
// guard, all 0xCC, its record's length a sentinel the operation must ignore.
constexpr uint32_t kSentinelLength = 0xDEAD;
struct Call {
    std::array<Bytes, kInputs> bytes;
    std::array<OctetString, kInputs> rec{};
    std::array<bool, kInputs> nullRecord{};
    Bytes outBuf;
    OctetString out{};
    bool nullOutput = false;
    uint32_t error = 0xFFFF;

    Call(const Key& k, const Bytes& input, size_t modulusLength = 0) {
        for (int i = 0; i < IN; ++i) bytes[i] = k.c[i];
        if (modulusLength != 0) bytes[N] = PadTo(k.c[N], modulusLength);
        bytes[IN] = input;
        Refresh();
        outBuf.assign(bytes[N].size() + 8, 0xCC);
        out = OctetString{outBuf.data(), kSentinelLength};
    }
    void Refresh() {
        for (int i = 0; i < kInputs; ++i) rec[i] = Rec(bytes[i]);
    }
    const OctetString* R(Pos p) const { return nullRecord[p] ? nullptr : &rec[p]; }

    int32_t Run(Export x, uint32_t* err) {
        OctetString* o = nullOutput ? nullptr : &out;
        switch (x) {
            case kPlain:
                return KxUnsealRsaBlock(R(D), R(N), R(P), R(Q), R(DP), R(DQ), R(QINV), R(IN), o, err);
            case kBlinding:
                return KxUnsealRsaBlockBlinding(R(D), R(N), R(P), R(Q), R(DP), R(DQ), R(QINV), R(IN), o, err);
            default:
                return KxUnsealRsaBlockBlinding2(R(D), R(E), R(N), R(P), R(Q), R(DP), R(DQ), R(QINV), R(IN), o,
                                                 err);
        }
    }
    int32_t Run(Export x) { return Run(x, &error); }

    Bytes Output() const { return Bytes(outBuf.begin(), outBuf.begin() + out.length); }
    bool OutputUntouched() const {
        return out.length == kSentinelLength &&
               std::all_of(outBuf.begin(), outBuf.end(), [](uint8_t b) { return b == 0xCC; });
    }
};

// Runs every export on `call` and compares with c^d mod n.
void ExpectAllExportsCorrect(Call& call, const Key& k) {
    const Bytes want = Expected(k, call.bytes[IN]);
    for (Export x : ALL_EXPORTS) {
        SCOPED_TRACE(Name(x));
        call.out.length = kSentinelLength;
        ASSERT_EQ(call.Run(x), 0) << "error " << call.error;
        EXPECT_EQ(call.error, 0u);
        EXPECT_EQ(ToHex(call.Output()), ToHex(want));
        EXPECT_EQ(call.outBuf[call.bytes[N].size()], 0xCC) << "wrote past L bytes";
    }
}

// Inputs for a modulus of L bytes: below n, above n (L bytes of 0xFF, and
// the same with a middle byte changed), n, n - 1, n + 1, 0, 1, empty.
std::vector<Bytes> InputsFor(const Bytes& n, uint32_t seed) {
    mpz_t nz, t;
    mpz_inits(nz, t, nullptr);
    MpzFromBytes(nz, n);
    std::vector<Bytes> out;
    Bytes below(n.size()), above(n.size(), 0xFF);
    for (size_t i = 0; i < n.size(); ++i) below[i] = static_cast<uint8_t>(seed * 131 + i * 29);
    below[0] = n[0] > 1 ? n[0] / 2 : 0;
    out.push_back(below);
    out.push_back(above);
    above[n.size() / 2] ^= 0x5A;
    out.push_back(above);
    out.push_back(n);
    mpz_sub_ui(t, nz, 1);
    out.push_back(BytesFromMpz(t));
    mpz_add_ui(t, nz, 1);
    if (mpz_sizeinbase(t, 256) <= n.size()) out.push_back(PadTo(BytesFromMpz(t), n.size()));
    out.push_back({0x00});
    out.push_back({0x01});
    out.push_back({});
    mpz_clears(nz, t, nullptr);
    return out;
}

class RsaTest : public ::testing::Test {
protected:
    void SetUp() override { KX_REQUIRE_FAKE_RNG(); }
};

// ---------------------------------------------------------------------------
// Results against GMP
// ---------------------------------------------------------------------------

TEST_F(RsaTest, OpenSslKeysAllExportsEqualTheOracle) {
    for (int bits : {512, 520, 768, 1000, 1024, 1030}) {
        const Key& k = OpenSslKey(bits);
        for (const Bytes& c : InputsFor(k.c[N], bits)) {
            SCOPED_TRACE(::testing::Message() << bits << " bits, input " << ToHex(c));
            Call call(k, c);
            ExpectAllExportsCorrect(call, k);
        }
    }
}

// The derived exponent nearly as long as n: R^E with a long E, and the other
// private exponents of the same key giving the same results.
TEST_F(RsaTest, PrivateExponentModuloLcmGivesALongDerivedExponent) {
    for (int bits : {512, 1000, 1030}) {
        size_t longest = 0;
        for (bool plusLambda : {false, true}) {
            Key k = WithLcmExponent(OpenSslKey(bits), plusLambda);
            longest = std::max(longest, DerivedExponentBits(k));
            for (const Bytes& c : {InputsFor(k.c[N], 11)[0], InputsFor(k.c[N], 11)[1]}) {
                SCOPED_TRACE(::testing::Message() << bits << " bits, +lambda " << plusLambda);
                Call call(k, c);
                ExpectAllExportsCorrect(call, k);
            }
        }
        EXPECT_GT(longest, static_cast<size_t>(bits) / 2) << bits;
    }
}

TEST_F(RsaTest, TwoThousandFortyEightBits) {
    const Key& k = OpenSslKey(2048);
    for (const Bytes& c : InputsFor(k.c[N], 7)) {
        if (c.size() <= 1) continue;  // the small inputs are covered above
        SCOPED_TRACE(ToHex(c));
        Call call(k, c);
        ExpectAllExportsCorrect(call, k);
    }
}

// Records longer than their minimal form: the modulus length L counts the
// leading zeros, so w and the blinding factor grow while n does not, and R
// exceeds n by many words; every other component padded to L bytes as well.
TEST_F(RsaTest, RecordsWithLeadingZeroBytes) {
    struct Case { int bits; size_t L; bool padAll; };
    const Case CASES[] = {{512, 65, false}, {512, 80, true}, {520, 66, false}, {1000, 128, true},
                          {1024, 129, false}, {1024, 256, true}, {1030, 131, true}};
    for (const Case& cs : CASES) {
        SCOPED_TRACE(::testing::Message() << cs.bits << " bits as L = " << cs.L);
        const Key& k = OpenSslKey(cs.bits);
        Call call(k, InputsFor(k.c[N], 3)[0], cs.L);
        if (cs.padAll) {
            for (Pos p : {D, E, P, Q, DP, DQ, QINV, IN}) call.bytes[p] = PadTo(call.bytes[p], cs.L);
            call.Refresh();
        }
        ExpectAllExportsCorrect(call, k);
    }
}

// Two small primes with n in a 64-byte record, 62 or more of its bytes zero:
// the blinding factor is then about 2^512 times n.
TEST_F(RsaTest, SmallPrimeKeysInSixtyFourByteRecords) {
    struct Case { unsigned long p, q, e; };
    const Case CASES[] = {{65521, 65519, 11}, {65519, 65521, 65537}, {4294967291ul, 4294967279ul, 3},
                          {1000003, 999983, 65537}};
    for (const Case& cs : CASES) {
        SCOPED_TRACE(::testing::Message() << "p " << cs.p << " q " << cs.q);
        Key k = SmallKey(cs.p, cs.q, cs.e);
        for (const Bytes& c : InputsFor(k.c[N], 1)) {
            Call call(k, c, 64);
            SCOPED_TRACE(ToHex(c));
            ExpectAllExportsCorrect(call, k);
        }
        // An input of 64 bytes, far above n.
        Call big(k, Bytes(64, 0xA7), 64);
        ExpectAllExportsCorrect(big, k);
    }
}

// R chosen by the script: R = 1 and R = n + 1 leave the input as it is (R^E
// must be reduced exactly although R > n), all-ones is the largest R; an R
// sharing the factor p with n is not checked and gives a wrong result.
TEST_F(RsaTest, ScriptedBlindingFactors) {
    const Key& k = OpenSslKey(520);
    const uint32_t L = k.c[N].size(), w = (L + 3) / 4;
    mpz_t t;
    mpz_init(t);
    MpzFromBytes(t, k.c[N]);
    mpz_add_ui(t, t, 1);
    const Bytes nPlusOne = BytesFromMpz(t);
    mpz_clear(t);
    struct Case { const char* name; Bytes r; bool correct; };  // r big-endian
    const Case CASES[] = {{"one", {1}, true},
                          {"n + 1", nPlusOne, true},
                          {"all ones", Bytes(4 * w, 0xFF), true},
                          {"p", k.c[P], false}};
    const Bytes c = InputsFor(k.c[N], 5)[0];
    for (const Case& cs : CASES) {
        SCOPED_TRACE(cs.name);
        Bytes script(cs.r.rbegin(), cs.r.rend());  // first byte drawn = least significant
        script.resize(4 * w, 0);
        for (Export x : {kBlinding, kBlinding2}) {
            FakeRng().reset(0);
            FakeRng().script(script.data(), script.size());
            Call call(k, c);
            ASSERT_EQ(call.Run(x), 0);
            EXPECT_EQ(call.Output() == Expected(k, c), cs.correct) << Name(x);
        }
    }
}

TEST_F(RsaTest, Blinding2WithAWrongPublicExponentReturnsZeroAndAWrongResult) {
    const Key& k = OpenSslKey(512);
    const Bytes c = InputsFor(k.c[N], 9)[0];
    for (Bytes e : {Bytes{0x01, 0x00, 0x03}, Bytes{0x03}, Bytes{0x01}}) {
        Call call(k, c);
        call.bytes[E] = e;
        call.Refresh();
        EXPECT_EQ(call.Run(kBlinding2), 0);
        EXPECT_EQ(call.error, 0u);
        EXPECT_NE(call.Output(), Expected(k, c)) << ToHex(e);
    }
}

TEST_F(RsaTest, BlindingDrawsFourWBytesAfterTheConversions) {
    Key k = SmallKey(65521, 65519, 65537);
    for (size_t L : {64, 65, 66, 67, 68, 127, 200, 253, 256}) {
        for (Export x : ALL_EXPORTS) {
            FakeRng().reset(0);
            Call call(k, {0x42}, L);
            ASSERT_EQ(call.Run(x), 0);
            const uint32_t expected = x == kPlain ? 0 : 4 * ((L + 3) / 4);
            EXPECT_EQ(FakeRng().bytesDrawn(), expected) << Name(x) << " L = " << L;
            EXPECT_EQ(FakeRng().calls(), x == kPlain ? 0u : 1u);
        }
    }
}

TEST_F(RsaTest, FailingGeneratorGivesSixtyTwoAndNoOutput) {
    const Key& k = OpenSslKey(512);
    for (Export x : {kBlinding, kBlinding2}) {
        FakeRng().failOnCall(1);
        HeapTestReset(0);
        Call call(k, InputsFor(k.c[N], 2)[0]);
        EXPECT_EQ(call.Run(x), -1);
        EXPECT_EQ(call.error, 62u) << Name(x);
        EXPECT_TRUE(call.OutputUntouched());
        EXPECT_EQ(HeapTestLive(), 0);
        EXPECT_EQ(HeapTestUnclearedReleases(), 0u);
    }
}

// ---------------------------------------------------------------------------
// Argument rules and the order of decisions
// ---------------------------------------------------------------------------

enum Mutation { kNullRecord, kNullData, kOneByteLonger, kZeroValue, kEmpty, kLength63, kLength257 };
struct RuleCase {
    Mutation m;
    Pos pos;  // kInputs: the output record
    bool accepted;
};
// Every mutation gives 99 unless accepted; e only matters to Blinding2.
std::vector<RuleCase> RuleCases() {
    std::vector<RuleCase> cases;
    for (int pos = D; pos <= kInputs; ++pos) {
        cases.push_back({kNullRecord, Pos(pos), false});
        cases.push_back({kNullData, Pos(pos), false});
        if (pos != N && pos != kInputs) cases.push_back({kOneByteLonger, Pos(pos), false});
    }
    cases.insert(cases.end(), {{kZeroValue, N, false}, {kZeroValue, P, false}, {kZeroValue, Q, false},
                               {kEmpty, P, false}, {kEmpty, Q, false},  // empty reads as zero: no prime
                               {kEmpty, IN, true}, {kEmpty, D, true},   // d is never used
                               {kLength63, N, false}, {kLength257, N, false}});
    return cases;
}

void Apply(const RuleCase& rc, Call& call, uint32_t L) {
    Bytes& b = call.bytes[rc.pos == kInputs ? IN : rc.pos];
    switch (rc.m) {
        case kNullRecord:
            if (rc.pos == kInputs) call.nullOutput = true; else call.nullRecord[rc.pos] = true;
            return;
        case kNullData:
            if (rc.pos == kInputs) call.out.data = nullptr; else call.rec[rc.pos].data = nullptr;
            return;
        case kOneByteLonger: b = PadTo(b, L + 1); break;
        case kZeroValue: b.assign(b.size(), 0); break;
        case kEmpty: b.clear(); break;
        case kLength63: b.erase(b.begin()); break;  // a 512-bit n padded to 64 bytes, one byte off
        case kLength257: b = PadTo(b, 257); break;
    }
    call.Refresh();
}

TEST_F(RsaTest, ArgumentRules) {
    const Key& k = OpenSslKey(512);
    for (const RuleCase& rc : RuleCases()) {
        for (Export x : ALL_EXPORTS) {
            if (rc.pos == E && x != kBlinding2) continue;
            SCOPED_TRACE(::testing::Message() << Name(x) << " mutation " << rc.m << " at " << rc.pos);
            Call call(k, InputsFor(k.c[N], 4)[0], 64);
            Apply(rc, call, 64);
            HeapTestReset(0);
            const int32_t result = call.Run(x);
            if (rc.accepted) {
                EXPECT_EQ(result, 0);
                EXPECT_EQ(call.error, 0u);
                continue;
            }
            EXPECT_EQ(result, -1);
            EXPECT_EQ(call.error, 99u);
            EXPECT_EQ(HeapTestAllocations(), 0u) << "validation comes before any allocation";
            if (!call.nullOutput && call.out.data != nullptr) EXPECT_TRUE(call.OutputUntouched());
            // Without an error location the same call writes nothing at all.
            call.out.length = kSentinelLength;
            EXPECT_EQ(call.Run(x, nullptr), -1);
            if (!call.nullOutput && call.out.data != nullptr) EXPECT_TRUE(call.OutputUntouched());
        }
    }
    // Boundaries that pass: every component exactly L bytes, L = 64 and 256.
    for (int bits : {512, 2048}) {
        const Key& kk = OpenSslKey(bits);
        Call call(kk, {0x05});
        for (Pos p : {D, E, P, Q, DP, DQ, QINV, IN}) call.bytes[p] = PadTo(call.bytes[p], call.bytes[N].size());
        call.Refresh();
        for (Export x : ALL_EXPORTS) EXPECT_EQ(call.Run(x), 0) << Name(x) << " " << call.error;
    }
}

TEST_F(RsaTest, GateComesFirstAndNullErrorWritesNothing) {
    const Key& k = OpenSslKey(512);
    for (Export x : ALL_EXPORTS) {
        SCOPED_TRACE(Name(x));
        FakeRng().reset(0);
        Call valid(k, {0x02});
        Call invalid(k, {0x02});
        invalid.nullRecord[N] = true;
        {
            JcmvpErrorStateScope errorState;
            EXPECT_EQ(valid.Run(x), -1);
            EXPECT_EQ(valid.error, 546u);
            EXPECT_EQ(invalid.Run(x), -1);
            EXPECT_EQ(invalid.error, 546u) << "the gate comes before the argument rules";
            EXPECT_EQ(valid.Run(x, nullptr), -1);
            EXPECT_TRUE(valid.OutputUntouched());
            EXPECT_EQ(FakeRng().calls(), 0u);
        }
        EXPECT_EQ(valid.Run(x), 0) << "the gate opens again";
    }
}

// Allocation n fails, for n = 1, 2, ... until the call succeeds: 62, no
// output, nothing live, no word array released uncleared, and the generator
// not called before the sixteen records and R are allocated. The small key
// reaches every allocation site with few allocations, so every point is
// tried; of a 512-bit key's thousands, every 61st (the loops' sites at
// scattered iterations).
TEST_F(RsaTest, AllocationFailureAtEveryPoint) {
    struct Case { const char* name; Key key; size_t L; uint64_t stride; };
    const Case CASES[] = {{"small primes, L 64", SmallKey(65521, 65519, 65537), 64, 1},
                          {"512 bits", OpenSslKey(512), 64, 61}};
    for (const Case& cs : CASES) {
        for (Export x : ALL_EXPORTS) {
            SCOPED_TRACE(::testing::Message() << cs.name << " " << Name(x));
            const Bytes want = Expected(cs.key, {0x12, 0x34, 0x56});
            uint64_t failAt = 1;
            for (;; failAt += cs.stride) {
                ASSERT_LT(failAt, 200000u);
                FakeRng().reset(0);
                Call call(cs.key, {0x12, 0x34, 0x56}, cs.L);
                HeapTestReset(failAt);
                const int32_t result = call.Run(x);
                const int64_t live = HeapTestLive();
                const uint64_t uncleared = HeapTestUnclearedReleases();
                const uint64_t attempts = HeapTestAllocations();
                HeapTestReset(0);
                ASSERT_EQ(live, 0) << "fail at " << failAt;
                ASSERT_EQ(uncleared, 0u) << "fail at " << failAt;
                if (attempts < failAt) {  // nothing failed: the call is complete
                    ASSERT_EQ(result, 0);
                    EXPECT_EQ(call.Output(), want);
                    break;
                }
                ASSERT_EQ(result, -1) << "fail at " << failAt;
                ASSERT_EQ(call.error, 62u) << "fail at " << failAt;
                ASSERT_TRUE(call.OutputUntouched()) << "fail at " << failAt;
                if (failAt <= 17) ASSERT_EQ(FakeRng().calls(), 0u) << "drawn before the allocations";
            }
            EXPECT_GT(failAt, 16u);
        }
    }
}

}  // namespace
