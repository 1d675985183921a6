// Key generation: the Miller-Rabin test against GMP, strong primes checked
// with GMP, and whole keys against OpenSSL's key check, signatures and decryption.
#include <gmpxx.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <tuple>

#include "failure_points.h"
#include "fakes/fake_rng.h"
#include "gate_scope.h"
#include "heap.h"
#include "key_oracle.h"
#include "keygen.h"
#include "test_support.h"

namespace {

using Numbers = std::vector<mpz_class>;

mpz_class Get(const BigNum& b) {
    mpz_class v;
    mpz_import(v.get_mpz_t(), b.used, -1, 4, 0, 0, b.words);
    return v;
}
uint32_t WordsOf(const mpz_class& v) { return v == 0 ? 1 : (mpz_sizeinbase(v.get_mpz_t(), 2) + 31) / 32; }
size_t ByteLen(const mpz_class& v) { return v == 0 ? 0 : (mpz_sizeinbase(v.get_mpz_t(), 2) + 7) / 8; }
bool IsGmpPrime(const mpz_class& n) { return mpz_probab_prime_p(n.get_mpz_t(), 30) != 0; }
void Script(const Bytes& b) { FakeRng().reset(0), FakeRng().script(b.data(), static_cast<uint32_t>(b.size())); }

struct Num {
    BigNum b{};
    explicit Num(uint32_t capacity, const mpz_class& v = 0) {
        size_t count = 0;
        EXPECT_EQ(BnAlloc(capacity, &b), 0);
        mpz_export(b.words, &count, -1, 4, 0, 0, v.get_mpz_t());
        b.used = count == 0 ? 1 : static_cast<uint32_t>(count);
    }
    ~Num() { BnFree(&b); }
};

// The verdict on n; the candidate is only read.
int Verdict(const mpz_class& n) {
    Num x(WordsOf(n), n);
    PrimalityWork w{};
    EXPECT_EQ(AllocatePrimalityWork(WordsOf(n), &w), 0);
    uint32_t verdict = 7;
    EXPECT_EQ(IsProbablePrime(&x.b, kMillerRabinRounds, &verdict, &w), 0);
    EXPECT_EQ(Get(x.b), n) << "the candidate is only read";
    for (BigNum* b : {&w.d, &w.m, &w.a, &w.y, &w.step, &w.product, &w.quotient, &w.cube, &w.cross, &w.limbs})
        BnFree(b);
    return static_cast<int>(verdict);
}

TEST(IsProbablePrime, VectorsAndSieveConstant) {
    mpz_class primorial;
    mpz_primorial_ui(primorial.get_mpz_t(), 191);
    EXPECT_EQ(Get(SmallPrimeProduct), primorial);
    EXPECT_EQ(SmallPrimeProduct.used, 8u) << "normalised";
    std::ifstream in(std::string(KX_VECTORS_DIR) + "/keygen_primality.txt");
    std::string line, section;
    int checked = 0;
    for (int lineNo = 1; std::getline(in, line); ++lineNo) {
        if (line[0] == '[') section = line;
        if (line.rfind("N = ", 0) != 0) continue;
        EXPECT_EQ(Verdict(mpz_class(line.substr(4), 16)), section == "[Prime]" ? 1 : 0) << "line " << lineNo;
        ++checked;
    }
    EXPECT_GT(checked, 80);
}

// Chernick's Carmichael numbers (6k+1)(12k+1)(18k+1) of 64 to over 500 bits,
// and against GMP: random odd numbers up to 400 bits, the primes after them,
// products of two primes of mixed sizes, and squares.
TEST(IsProbablePrime, CarmichaelNumbersAndAgreementWithGmp) {
    for (unsigned bits : {64u, 100u, 160u, 250u, 520u}) {
        mpz_class k = mpz_class(1) << (bits / 3 - 3);
        while (!IsGmpPrime(6 * k + 1) || !IsGmpPrime(12 * k + 1) || !IsGmpPrime(18 * k + 1)) ++k;
        EXPECT_EQ(Verdict((6 * k + 1) * (12 * k + 1) * (18 * k + 1)), 0) << bits;
    }
    gmp_randclass rng(gmp_randinit_default);
    rng.seed(20261205);
    int counts[2] = {0, 0};
    for (unsigned i = 0; i < 250; ++i) {
        const unsigned bits = 2 + i * 7919 % 400;
        mpz_class n = rng.get_z_bits(bits) | 1, next, a, b;
        mpz_nextprime(next.get_mpz_t(), n.get_mpz_t());
        mpz_nextprime(a.get_mpz_t(), mpz_class(rng.get_z_bits(1 + bits / 2)).get_mpz_t());
        mpz_nextprime(b.get_mpz_t(), mpz_class(rng.get_z_bits(2 + bits * 3 / 5)).get_mpz_t());
        for (const mpz_class& x : {n, next, mpz_class(a * b), mpz_class(a * a)}) {
            if (x % 2 == 0 && x != 2) continue;
            ASSERT_EQ(Verdict(x), IsGmpPrime(x) ? 1 : 0) << x.get_str(16);
            ++counts[IsGmpPrime(x)];
        }
    }
    EXPECT_TRUE(counts[0] > 250 && counts[1] > 125);
}

Numbers RunStrongPrime(uint32_t L) {
    Num p(L / 4 + 1), r(L / 8 + 1), s(L / 16 + 1), t(L / 16 + 1);
    StrongPrimeFactors factors{&r.b, &s.b, &t.b};
    if (GenerateStrongPrimeWithFactors(L, &p.b, &factors) != 0) return {};
    return {Get(p.b), Get(r.b), Get(s.b), Get(t.b)};
}

// Lengths 0..130 bytes: refused at once unless a positive multiple of 16; else p, r, s, t
// prime, of L, L/2, L/4, L/4 bytes, r | p - 1, s | p + 1, t | r - 1, reproducible.
TEST(GenerateStrongPrime, EveryLength) {
    KX_REQUIRE_FAKE_RNG();
    for (uint32_t L = 0; L <= 130; ++L) {
        SCOPED_TRACE(L);
        FakeRng().reset(L);
        HeapTestReset(0);
        const Numbers got = RunStrongPrime(L);
        EXPECT_TRUE(HeapTestLive() == 0 && HeapTestUnclearedReleases() == 0);
        if (L % 16 != 0 || L == 0) {
            EXPECT_TRUE(got.empty() && FakeRng().calls() == 0);
            continue;
        }
        ASSERT_EQ(got.size(), 4u);
        for (uint32_t i = 0; i < 4; ++i) EXPECT_TRUE(ByteLen(got[i]) == L >> std::min(i, 2u) && IsGmpPrime(got[i]));
        EXPECT_TRUE((got[0] - 1) % got[1] == 0 && (got[0] + 1) % got[2] == 0 && (got[1] - 1) % got[3] == 0);
        FakeRng().reset(L);
        EXPECT_EQ(RunStrongPrime(L), got);
    }
}

// Eight output buffers of 256 bytes and their records.
struct KeyBuffers {
    std::vector<Bytes> data = std::vector<Bytes>(8, Bytes(256, 0xA5));
    OctetString rec[8];
    KeyBuffers() { for (int i = 0; i < 8; ++i) rec[i] = OctetString{data[i].data(), 0xDEAD}; }
    int32_t Generate(uint32_t m, int32_t x, uint32_t* error) {
        return KxGenerateRsaKey(m, x, &rec[0], &rec[1], &rec[2], &rec[3], &rec[4], &rec[5], &rec[6], &rec[7], error);
    }
    Bytes Component(int i) const { return Bytes(data[i].begin(), data[i].begin() + std::min(rec[i].length, 256u)); }
    mpz_class Value(int i) const { return mpz_class(ToHex(Component(i)), 16); }
    bool Untouched(bool buffersToo = true) const {
        for (int i = 0; i < 8; ++i)
            if (rec[i].length != 0xDEAD || (buffersToo && std::count(data[i].begin(), data[i].end(), 0xA5) != 256))
                return false;
        return true;
    }
    void ExpectLengths(uint32_t modulusLength, int32_t exponentLength) const {
        const uint32_t L = modulusLength / 2, lengths[8] = {2 * L, uint32_t(exponentLength), 2 * L, L, L, L, L, L};
        for (int i = 0; i < 8; ++i) EXPECT_EQ(rec[i].length, lengths[i]) << "component " << i;
    }
};

TEST(KxGenerateRsaKey, ArgumentRulesAndTheirOrder) {
    const std::vector<uint32_t> accepted = {64, 65, 96, 97, 128, 129, 160, 161, 192, 193, 224, 225, 256};
    for (uint32_t m = 0; m <= 300; ++m)
        EXPECT_EQ(IsKeyLengthAccepted(m), std::count(accepted.begin(), accepted.end(), m) == 1) << m;
    // modulusLength, exponentLength, null record, record with null data (-1: none): 99 before any work.
    const int cases[][4] = {{63, 3, -1, -1},  {257, 3, -1, -1}, {0, 3, -1, -1},  {80, 3, -1, -1},  {66, 3, -1, -1},
                            {255, 3, -1, -1}, {64, 0, -1, -1},  {64, -1, -1, -1}, {64, 65, -1, -1}, {65, 65, -1, -1},
                            {129, 129, -1, -1}, {64, 3, 0, -1}, {64, 3, 7, -1},   {64, 3, -1, 0},   {64, 3, -1, 4},
                            {64, 3, -1, 7},   {63, 0, 3, 2},    {64, 3, 2, 5}};
    for (const auto& c : cases) {
        KeyBuffers k;
        OctetString* r[8];
        for (int i = 0; i < 8; ++i) r[i] = &k.rec[i];
        if (c[3] >= 0) k.rec[c[3]].data = nullptr;
        if (c[2] >= 0) r[c[2]] = nullptr;
        uint32_t error = 12345;
        HeapTestReset(0);
        EXPECT_EQ(KxGenerateRsaKey(c[0], c[1], r[0], r[1], r[2], r[3], r[4], r[5], r[6], r[7], &error), -1);
        if (c[3] >= 0) k.rec[c[3]].data = k.data[c[3]].data();
        EXPECT_TRUE(error == ErrParameter && HeapTestAllocations() == 0 && k.Untouched())
            << c[0] << "/" << c[1] << "/" << c[2] << "/" << c[3];
    }
    // A null error location: -1 and nothing written; the entry gate (546) before the arguments (99).
    KeyBuffers k;
    uint32_t error = 0;
    EXPECT_TRUE(k.Generate(64, 3, nullptr) == -1 && k.Generate(63, 0, nullptr) == -1);
    JcmvpErrorStateScope gate;
    EXPECT_TRUE(k.Generate(63, 0, &error) == -1 && error == ErrModuleState);
    EXPECT_TRUE(k.Generate(64, 3, nullptr) == -1 && k.Untouched());
}

// OpenSSL's full key check; OpenSSL verifies kxrsa's v1.5 signature (so it is
// OpenSSL's own); kxrsa unseals a v1.5 block sealed by OpenSSL's raw operation.
void ExpectOpenSslUses(const KeyBuffers& k) {
    TestKey key;
    Bytes* parts[8] = {&key.d, &key.e, &key.n, &key.p, &key.q, &key.dP, &key.dQ, &key.qInv};
    const char* names[8] = {OSSL_PKEY_PARAM_RSA_D, OSSL_PKEY_PARAM_RSA_E, OSSL_PKEY_PARAM_RSA_N,
                            OSSL_PKEY_PARAM_RSA_FACTOR1, OSSL_PKEY_PARAM_RSA_FACTOR2, OSSL_PKEY_PARAM_RSA_EXPONENT1,
                            OSSL_PKEY_PARAM_RSA_EXPONENT2, OSSL_PKEY_PARAM_RSA_COEFFICIENT1};
    Bytes native[8];  // OSSL_PARAM integers are in the machine's (little-endian) order
    OSSL_PARAM params[9];
    for (int i = 0; i < 8; ++i) {
        *parts[i] = k.Component(i);
        native[i].assign(parts[i]->rbegin(), parts[i]->rend());
        params[i] = OSSL_PARAM_construct_BN(names[i], native[i].data(), native[i].size());
    }
    params[8] = OSSL_PARAM_construct_end();
    EVP_PKEY_CTX* ctx = EVP_PKEY_CTX_new_from_name(nullptr, "RSA", nullptr);
    EXPECT_TRUE(EVP_PKEY_fromdata_init(ctx) == 1 && EVP_PKEY_fromdata(ctx, &key.pkey, EVP_PKEY_KEYPAIR, params) == 1);
    EVP_PKEY_CTX_free(ctx);
    ASSERT_NE(key.pkey, nullptr);
    ctx = EVP_PKEY_CTX_new(key.pkey, nullptr);
    EXPECT_EQ(EVP_PKEY_check(ctx), 1);
    EVP_PKEY_CTX_free(ctx);

    const Bytes message = Pattern(100, 5), secret = Pattern(20, 6);
    const uint32_t scheme = uint32_t{KxSchemeV15Signature} | KxHashSha256;
    const Bytes sig = KxSign(scheme, key, message).out;
    EVP_MD_CTX* md = EVP_MD_CTX_new();
    EXPECT_EQ(EVP_DigestVerifyInit(md, nullptr, EVP_sha256(), nullptr, key.pkey), 1);
    EXPECT_EQ(EVP_DigestVerify(md, sig.data(), sig.size(), message.data(), message.size()), 1);
    EVP_MD_CTX_free(md);
    EXPECT_EQ(KxVerify(scheme, key, sig, message).rc, 0);

    Bytes block = secret;  // 00 02 PS 00 secret
    block.insert(block.begin(), key.k() - secret.size(), 0x5A);
    block[0] = 0x00, block[1] = 0x02, block[key.k() - secret.size() - 1] = 0x00;
    EXPECT_EQ(KxUnseal(KxSchemeV15Encryption, key, OsslRaw(key, block, false)).out, secret);
    EVP_PKEY_free(key.pkey);
}

// Keys of 512, 1024 and 2048 bits and of odd lengths, with exponent lengths 1
// to the modulus length (3: e = 65537); the test_keygen_real_rng run repeats
// this with the real generator.
TEST(KxGenerateRsaKey, OpenSslAcceptsAndUsesTheKeys) {
    const std::pair<uint32_t, int32_t> cases[] = {{64, 3},  {64, 1},   {64, 4},   {64, 64},   {65, 3},
                                                  {65, 64}, {97, 5},   {128, 3},  {129, 3},   {129, 4},
                                                  {129, 128}, {128, 128}, {256, 3}};
    for (const auto& [m, x] : cases) {
        SCOPED_TRACE(::testing::Message() << m << "/" << x);
        if (FakeRng().loaded) FakeRng().reset(m * 7 + x);
        KeyBuffers k;
        uint32_t error = 12345;
        HeapTestReset(0);
        ASSERT_EQ(k.Generate(m, x, &error), 0);
        EXPECT_TRUE(error == 0 && HeapTestLive() == 0 && HeapTestUnclearedReleases() == 0) << error;
        k.ExpectLengths(m, x);
        EXPECT_TRUE(x != 3 || k.Value(1) == 65537);
        mpz_class components[8];
        for (int i = 0; i < 8; ++i) components[i] = k.Value(i);
        ExpectKeyHolds(components);
        ExpectOpenSslUses(k);
    }
}

// A one-byte exponent of 1 (the last byte drawn) gives d = 1, shorter than n:
// the whole key is made again, primes included, from the bytes that follow.
TEST(KxGenerateRsaKey, ShortComponentsStartANewAttempt) {
    KX_REQUIRE_FAKE_RNG();
    Bytes script = Pattern(16 * 1024, 77);
    KeyBuffers first, again;
    uint32_t error = 0;
    Script(script);
    ASSERT_EQ(first.Generate(64, 1, &error), 0);
    const uint64_t drawn = FakeRng().bytesDrawn();
    script[drawn - 1] = 0x01;
    Script(script);
    ASSERT_EQ(again.Generate(64, 1, &error), 0);
    EXPECT_GT(FakeRng().bytesDrawn(), drawn);
    again.ExpectLengths(64, 1);
    EXPECT_NE(again.Value(3), first.Value(3));
}

// Every generator call in one generation fails in turn, then allocations (see
// FailurePoints) of 512-bit generations (e = 65537 and an 8-byte e, the mode off and
// on, the key-pair test passing) and a 2048-bit one: 301, all memory released,
// cleared, the lengths unchanged.
TEST(KxGenerateRsaKey, FailuresGive301AndReleaseEverything) {
    KX_REQUIRE_FAKE_RNG();
    auto run = [](uint32_t m, int32_t exponentLength, uint32_t failCall, uint64_t failAt) {
        FakeRng().reset(11);
        FakeRng().failOnCall(failCall);
        HeapTestReset(failAt);
        KeyBuffers k;
        uint32_t error = 0;
        const int32_t rc = k.Generate(m, exponentLength, &error);
        EXPECT_TRUE(rc == 0 || (error == ErrKeyGeneration && k.Untouched(false))) << error;
        EXPECT_TRUE(HeapTestLive() == 0 && HeapTestUnclearedReleases() == 0) << failCall << "/" << failAt;
        return rc;
    };
    for (int32_t x : {3, 8}) {
        ASSERT_EQ(run(64, x, 0, 0), 0);
        const uint32_t calls = FakeRng().calls();
        ASSERT_GE(calls, x == 3 ? 8u : 9u);  // s, t, r, p twice (and e)
        for (uint32_t call = 1; call <= calls; ++call) EXPECT_EQ(run(64, x, call, 0), -1) << call;
    }
    for (auto [m, x, modeOn] : {std::tuple{64u, 3, false}, {64u, 8, false}, {64u, 3, true}, {256u, 3, false}}) {
        JcmvpModeOnScope mode(modeOn);
        ASSERT_EQ(run(m, x, 0, 0), 0);
        const uint64_t total = HeapTestAllocations();
        std::vector<uint64_t> points = FailurePoints(total);
        if (m == 256) {  // a 2048-bit generation takes a good part of a second: one point in six
            std::vector<uint64_t> fewer;
            for (size_t i = 0; i < points.size(); i += 6) fewer.push_back(points[i]);
            points = fewer;
        }
        for (uint64_t failAt : points) {
            if (HasFailure()) break;
            EXPECT_EQ(run(m, x, 0, failAt), -1) << failAt;
        }
        ReportFailurePoints("KxGenerateRsaKey", std::to_string(8 * m) + "-bit key, e of " + std::to_string(x) +
                                                    " bytes" + (modeOn ? ", mode on" : ""),
                            points.size(), total);
    }
    HeapTestReset(0);
}

// In the JCMVP mode (stand-ins in the mode state) a key that fails its pair-wise
// test gives 546 and stays in the records (the statuses around it: test_jcmvp).
TEST(KxGenerateRsaKey, FailedPairwiseTestLeavesTheKeyInTheRecords) {
    using R = const OctetString*;
    JcmvpEntryPoints standIns{};
    standIns.getFamilyStatus = [] { return int32_t{KxStatusReady}; };
    standIns.setStatus = [](int32_t, int32_t) { return int32_t{0}; };
    standIns.rsaKeyPairTest = [](R, R, R, R, R, R, R, R) { return int32_t{-1}; };
    KeyBuffers k;
    uint32_t error = 0;
    int32_t rc = 0;
    {
        JcmvpModeScope mode(standIns);
        rc = k.Generate(64, 3, &error);
    }
    EXPECT_TRUE(rc == -1 && error == ErrModuleState) << error;
    k.ExpectLengths(64, 3);
    EXPECT_EQ(k.Value(2), k.Value(3) * k.Value(4));
}

}  // namespace
