// Key generation: the Miller-Rabin test against GMP, strong primes and whole
// keys against a GMP model of the construction fed with the same scripted
// bytes, and the keys against OpenSSL's key check, signatures and decryption.
#include <gmpxx.h>
#include <gtest/gtest.h>
#include <openssl/core_names.h>
#include <openssl/evp.h>
#include <openssl/param_build.h>
#include <openssl/rsa.h>

#include <algorithm>
#include <fstream>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "fakes/fake_rng.h"
#include "heap.h"
#include "keygen.h"
#include "test_support.h"

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
#else
constexpr bool kSanitized = false;
#endif

// ---------------------------------------------------------------------------
// Helpers: BigNums to and from GMP
// ---------------------------------------------------------------------------

struct Num {
    BigNum b{};
    explicit Num(uint32_t capacity) { EXPECT_EQ(BnAlloc(capacity, &b), 0); }
    Num(uint32_t capacity, const mpz_class& v) : Num(capacity) { Set(v); }
    ~Num() { BnFree(&b); }
    Num(const Num&) = delete;
    Num& operator=(const Num&) = delete;
    void Set(const mpz_class& v) {
        BnZero(&b);
        size_t count = 0;
        ASSERT_LE((mpz_sizeinbase(v.get_mpz_t(), 2) + 31) / 32, b.capacity);
        mpz_export(b.words, &count, -1, 4, 0, 0, v.get_mpz_t());
        b.used = count == 0 ? 1 : static_cast<uint32_t>(count);
        b.sign = v < 0 ? 1 : 0;
    }
    mpz_class Get() const {
        mpz_class v;
        mpz_import(v.get_mpz_t(), b.used, -1, 4, 0, 0, b.words);
        return b.sign != 0 ? mpz_class(-v) : v;
    }
};

uint32_t WordsOf(const mpz_class& v) {
    return static_cast<uint32_t>(std::max<size_t>(1, (mpz_sizeinbase(v.get_mpz_t(), 2) + 31) / 32));
}
size_t ByteLen(const mpz_class& v) { return v == 0 ? 0 : (mpz_sizeinbase(v.get_mpz_t(), 2) + 7) / 8; }
mpz_class FromBytes(const Bytes& b) {
    mpz_class v;
    MpzFromBytes(v.get_mpz_t(), b);
    return v;
}

// The eight numbers of the test, allocated for candidates of `words` words.
struct Work {
    PrimalityWork w{};
    explicit Work(uint32_t words) { EXPECT_EQ(AllocatePrimalityWork(words, &w), 0); }
    ~Work() {
        for (BigNum* b : {&w.d, &w.m, &w.a, &w.y, &w.step, &w.product, &w.quotient, &w.cube})
            if (b->words != nullptr) BnFree(b);
    }
};

int Verdict(const mpz_class& n) {
    Num x(WordsOf(n), n);
    Work work(WordsOf(n));
    uint32_t verdict = 7;
    EXPECT_EQ(IsProbablePrime(&x.b, kMillerRabinRounds, &verdict, &work.w), 0);
    EXPECT_EQ(x.Get(), n) << "the candidate is only read";
    return static_cast<int>(verdict);
}

bool IsGmpPrime(const mpz_class& n) { return mpz_probab_prime_p(n.get_mpz_t(), 30) != 0; }

mpz_class SmallPrimeProductByGmp() {
    mpz_class v;
    mpz_primorial_ui(v.get_mpz_t(), 191);
    return v;
}

// ---------------------------------------------------------------------------
// Sieve constant and Miller-Rabin
// ---------------------------------------------------------------------------

TEST(SmallPrimeProduct, IsThePrimorialOf191) {
    Num copy(8);
    BnCopy(&SmallPrimeProduct, &copy.b);
    EXPECT_EQ(copy.Get(), SmallPrimeProductByGmp());
    EXPECT_EQ(SmallPrimeProduct.used, 8u);
    EXPECT_EQ(SmallPrimeProduct.capacity, 8u);
    EXPECT_EQ(SmallPrimeProduct.sign, 0u);
}

TEST(IsProbablePrime, Vectors) {
    std::ifstream in(std::string(KX_VECTORS_DIR) + "/keygen_primality.txt");
    ASSERT_TRUE(in.good());
    std::string line, section;
    int line_no = 0, checked = 0;
    while (std::getline(in, line)) {
        ++line_no;
        if (line.empty() || line[0] == '#') continue;
        if (line[0] == '[') {
            section = line;
            continue;
        }
        ASSERT_EQ(line.rfind("N = ", 0), 0u) << "keygen_primality.txt:" << line_no;
        mpz_class n(line.substr(4), 16);
        SCOPED_TRACE("keygen_primality.txt:" + std::to_string(line_no));
        EXPECT_EQ(Verdict(n), section == "[Prime]" ? 1 : 0) << n.get_str(16);
        ++checked;
    }
    EXPECT_GT(checked, 80);
}

// Carmichael numbers of Chernick's form (6k+1)(12k+1)(18k+1), three primes,
// from 64 to over 500 bits: every base coprime to n is a Fermat liar.
TEST(IsProbablePrime, LargeCarmichaelNumbers) {
    int found = 0;
    for (unsigned bits : {64u, 100u, 160u, 250u, 520u}) {
        mpz_class k = mpz_class(1) << (bits / 3 - 3);
        for (int tries = 0; tries < 200000; ++tries, ++k) {
            mpz_class a = 6 * k + 1, b = 12 * k + 1, c = 18 * k + 1;
            if (!IsGmpPrime(a) || !IsGmpPrime(b) || !IsGmpPrime(c)) continue;
            const mpz_class n = a * b * c;
            EXPECT_EQ(Verdict(n), 0) << n.get_str(16);
            ++found;
            break;
        }
    }
    EXPECT_EQ(found, 5);
}

// Tiny n get one round per base in 2..n-1; the count shows in the heap (the
// step to the next base is BnAdd, one temporary per passed round; one-word
// squarings allocate nothing) and in the base left after the last round.
TEST(IsProbablePrime, RoundCountsAndBases) {
    struct Case {
        uint32_t n, rounds, step;
    } cases[] = {{3, 1, 1}, {5, 3, 1}, {7, 5, 1}, {11, 9, 1}, {23, 21, 1}, {29, 25, 1}, {191, 25, 7}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.n);
        Num n(1, c.n);
        Work work(1);
        uint32_t verdict = 0;
        HeapTestReset(0);
        ASSERT_EQ(IsProbablePrime(&n.b, kMillerRabinRounds, &verdict, &work.w), 0);
        EXPECT_EQ(verdict, 1u);
        EXPECT_EQ(HeapTestAllocations(), c.rounds);
        EXPECT_EQ(work.w.step.words[0], c.step);
        EXPECT_EQ(work.w.a.words[0], 2 + c.rounds * c.step);
    }
    // n = 2 is prime and a negative n composite, both without a round.
    for (int v : {2, -7}) {
        Num n(1, v);
        Work work(1);
        uint32_t verdict = 7;
        HeapTestReset(0);
        ASSERT_EQ(IsProbablePrime(&n.b, kMillerRabinRounds, &verdict, &work.w), 0);
        EXPECT_EQ(verdict, v == 2 ? 1u : 0u);
        EXPECT_EQ(HeapTestAllocations(), 0u);
    }
}

TEST(IsProbablePrime, MersenneBasesAreEvenlySpaced) {
    mpz_class m127 = (mpz_class(1) << 127) - 1;
    Num n(4, m127);
    Work work(4);
    uint32_t verdict = 0;
    ASSERT_EQ(IsProbablePrime(&n.b, kMillerRabinRounds, &verdict, &work.w), 0);
    EXPECT_EQ(verdict, 1u);
    Num step(9);
    BnCopy(&work.w.step, &step.b);
    mpz_class c = (m127 - 2) / 25;
    EXPECT_EQ(step.Get(), c);
    Num a(9);
    BnCopy(&work.w.a, &a.b);
    EXPECT_EQ(a.Get(), 2 + 25 * c);  // the base after the 25th
    EXPECT_EQ(Verdict(((mpz_class(1) << 107) - 1) * m127), 0);
}

// Against GMP over random odd numbers of 2 to 530 bits (across word
// boundaries), primes near them, and products of two primes of mixed sizes.
TEST(IsProbablePrime, AgreesWithGmp) {
    gmp_randclass rng(gmp_randinit_default);
    rng.seed(20261205);
    int primes = 0, composites = 0;
    const int rounds = kSanitized ? 60 : 250;
    for (int i = 0; i < rounds; ++i) {
        unsigned bits = 2 + static_cast<unsigned>(i * 7919 % 400);
        mpz_class n = rng.get_z_bits(bits) | 1;
        mpz_class next;
        mpz_nextprime(next.get_mpz_t(), n.get_mpz_t());
        mpz_class a, b;
        mpz_nextprime(a.get_mpz_t(), mpz_class(rng.get_z_bits(1 + bits / 2)).get_mpz_t());
        mpz_nextprime(b.get_mpz_t(), mpz_class(rng.get_z_bits(2 + (bits * 3) / 5)).get_mpz_t());
        for (const mpz_class& x : {n, next, mpz_class(a * b), mpz_class(a * a)}) {
            if ((x & 1) == 0 && x != 2) continue;
            int expected = IsGmpPrime(x) ? 1 : 0;
            ASSERT_EQ(Verdict(x), expected) << x.get_str(16);
            (expected ? primes : composites)++;
        }
    }
    EXPECT_GT(primes, rounds / 2);
    EXPECT_GT(composites, rounds);
}

TEST(IsProbablePrime, AllocationFailureIsReported) {
    mpz_class m89 = (mpz_class(1) << 89) - 1;
    Num n(3, m89);
    Work work(3);
    uint32_t verdict = 0;
    HeapTestReset(0);
    ASSERT_EQ(IsProbablePrime(&n.b, kMillerRabinRounds, &verdict, &work.w), 0);
    const uint64_t total = HeapTestAllocations();
    ASSERT_GT(total, 25u);
    for (uint64_t failAt = 1; failAt <= total; failAt += 1 + failAt / 8) {
        HeapTestReset(failAt);
        EXPECT_EQ(IsProbablePrime(&n.b, kMillerRabinRounds, &verdict, &work.w), -1) << failAt;
        EXPECT_EQ(HeapTestLive(), 0);
        EXPECT_EQ(HeapTestUnclearedReleases(), 0u);
    }
    HeapTestReset(0);
}

// ---------------------------------------------------------------------------
// A model of the construction in GMP, reading the same bytes in the same way
// ---------------------------------------------------------------------------

// The scripted bytes, consumed as BnRandom does: the first byte drawn is the
// least significant one.
struct ByteStream {
    const Bytes& bytes;
    size_t pos = 0;
    mpz_class Draw(uint32_t count) {
        mpz_class v;
        if (pos + count > bytes.size()) ADD_FAILURE() << "model ran past the script";
        if (pos + count <= bytes.size()) mpz_import(v.get_mpz_t(), count, -1, 1, 0, 0, bytes.data() + pos);
        pos += count;
        return v;
    }
};

// The marker bits go into the top non-zero word (word 0 of a zero draw).
mpz_class Mark(mpz_class v, uint32_t marker) {
    size_t top = v == 0 ? 0 : (mpz_sizeinbase(v.get_mpz_t(), 2) - 1) / 32;
    return v | (mpz_class(marker) << static_cast<unsigned>(32 * top));
}

bool PassesSieveAndTest(const mpz_class& x) {
    static const mpz_class product = SmallPrimeProductByGmp();
    mpz_class g;
    mpz_gcd(g.get_mpz_t(), x.get_mpz_t(), product.get_mpz_t());
    return g == 1 && x > 1 && IsGmpPrime(x);
}

mpz_class SearchUp(mpz_class x, const mpz_class& inc) {
    while (!PassesSieveAndTest(x)) x += inc;
    return x;
}

struct ModelPrime {
    mpz_class p, r, s, t;
};

ModelPrime ModelStrongPrime(uint32_t L, ByteStream& in) {
    ModelPrime m;
    const uint32_t qb = L / 4, hb = L / 2;
    auto auxiliary = [&] {
        for (;;) {
            mpz_class x = SearchUp(Mark(in.Draw(qb), 0x80000000u) | 1, 2);
            if (ByteLen(x) == qb) return x;
        }
    };
    m.s = auxiliary();
    m.t = auxiliary();
    mpz_class inc = 2 * m.t;
    do {
        m.r = Mark(in.Draw(hb), 0x80000000u);
        m.r = SearchUp((m.r / inc) * inc | 1, inc);
    } while (ByteLen(m.r) != hb);
    inc = 2 * m.r * m.s;
    mpz_class u;
    mpz_invert(u.get_mpz_t(), m.r.get_mpz_t(), m.s.get_mpz_t());
    const mpz_class v = 2 * m.r * u;
    for (;;) {
        mpz_class x = Mark(in.Draw(L), 0xC0000000u);
        x = ((x / inc) * inc | 1) - v;
        if (x < 0) continue;
        m.p = SearchUp(x, inc);
        if (ByteLen(m.p) == L) return m;
    }
}

struct Key {
    mpz_class d, e, n, p, q, dP, dQ, qInv;
};

// Steps 3-5 of an attempt: p, then q, each drawn again while 65537 | x - 1.
void ModelPrimes(uint32_t L, ByteStream& in, Key* k) {
    do k->p = ModelStrongPrime(L, in).p;
    while ((k->p - 1) % 65537 == 0);
    do k->q = ModelStrongPrime(L, in).p;
    while (k->q == k->p || (k->q - 1) % 65537 == 0);
    if (k->p < k->q) std::swap(k->p, k->q);
}

Key ModelKey(uint32_t modulusLength, uint32_t exponentLength, ByteStream& in, int* attempts) {
    const uint32_t L = modulusLength / 2;
    for (;;) {
        ++*attempts;
        Key k;
        k.e = 65537;
        ModelPrimes(L, in, &k);
        k.n = k.p * k.q;
        mpz_invert(k.qInv.get_mpz_t(), k.q.get_mpz_t(), k.p.get_mpz_t());
        mpz_class g, lambda;
        mpz_gcd(g.get_mpz_t(), mpz_class(k.p - 1).get_mpz_t(), mpz_class(k.q - 1).get_mpz_t());
        lambda = (k.q - 1) * ((k.p - 1) / g);
        if (exponentLength != 3) {
            k.e = in.Draw(exponentLength);
            while (lambda <= k.e) k.e >>= 1;
            k.e |= 1;
            for (;;) {
                mpz_gcd(g.get_mpz_t(), lambda.get_mpz_t(), k.e.get_mpz_t());
                if (g == 1) break;
                k.e -= 2;
            }
        }
        mpz_invert(k.d.get_mpz_t(), k.e.get_mpz_t(), lambda.get_mpz_t());
        k.dP = k.d % (k.p - 1);
        k.dQ = k.d % (k.q - 1);
        const size_t half = ByteLen(k.n) / 2;
        if (ByteLen(k.d) == ByteLen(k.n) && ByteLen(k.dP) == half && ByteLen(k.dQ) == half &&
            ByteLen(k.qInv) == half && ByteLen(k.e) == exponentLength)
            return k;
    }
}

Bytes ScriptBytes(uint32_t seed, size_t count) {
    std::mt19937 gen(seed);
    Bytes b(count);
    for (uint8_t& x : b) x = static_cast<uint8_t>(gen());
    return b;
}

void Script(const Bytes& bytes) { FakeRng().script(bytes.data(), static_cast<uint32_t>(bytes.size())); }

// ---------------------------------------------------------------------------
// Strong primes
// ---------------------------------------------------------------------------

struct StrongPrimeResult {
    int32_t status = -1;
    mpz_class p, r, s, t;
};

StrongPrimeResult RunStrongPrime(uint32_t L) {
    const uint32_t w = L / 4;
    Num p(w + 1), r(w / 2 + 1), s(w / 4 + 1), t(w / 4 + 1);
    StrongPrimeFactors factors{&r.b, &s.b, &t.b};
    StrongPrimeResult out;
    out.status = GenerateStrongPrimeWithFactors(L, &p.b, &factors);
    out.p = p.Get();
    out.r = r.Get();
    out.s = s.Get();
    out.t = t.Get();
    return out;
}

TEST(GenerateStrongPrime, EveryLengthHasTheStructureAndMatchesTheModel) {
    KX_REQUIRE_FAKE_RNG();
    for (uint32_t L = 16; L <= 128; L += 16) {
        if (kSanitized && L > 64 && L != 128) continue;
        SCOPED_TRACE(L);
        const Bytes script = ScriptBytes(L, 4096);
        FakeRng().reset(0);
        Script(script);
        HeapTestReset(0);
        StrongPrimeResult got = RunStrongPrime(L);
        ASSERT_EQ(got.status, 0);
        EXPECT_EQ(HeapTestLive(), 0);
        EXPECT_EQ(ByteLen(got.p), L);
        EXPECT_EQ(ByteLen(got.r), L / 2);
        EXPECT_EQ(ByteLen(got.s), L / 4);
        EXPECT_EQ(ByteLen(got.t), L / 4);
        for (const mpz_class* x : {&got.p, &got.r, &got.s, &got.t}) EXPECT_TRUE(IsGmpPrime(*x));
        EXPECT_EQ((got.p - 1) % got.r, 0);
        EXPECT_EQ((got.p + 1) % got.s, 0);
        EXPECT_EQ((got.r - 1) % got.t, 0);

        ByteStream in{script};
        ModelPrime model = ModelStrongPrime(L, in);
        EXPECT_EQ(got.p, model.p);
        EXPECT_EQ(got.r, model.r);
        EXPECT_EQ(FakeRng().bytesDrawn(), in.pos) << "the draws and their sizes";
        EXPECT_EQ(HeapTestUnclearedReleases(), 0u);
    }
}

// A zero draw puts the marker into word 0: s comes out short and is drawn
// again, r comes out as 1 (composite) and then short, p - v goes negative.
// Each is drawn again alone, exactly as the model does.
TEST(GenerateStrongPrime, DegenerateDrawsAreDrawnAgain) {
    KX_REQUIRE_FAKE_RNG();
    const uint32_t L = 32;
    Bytes script = Bytes(8, 0);
    const Bytes fill = ScriptBytes(99, 2048);
    auto append = [&](size_t from, size_t count) {
        script.insert(script.end(), fill.begin() + from, fill.begin() + from + count);
    };
    append(0, 16);                       // s, t
    script.insert(script.end(), 16, 0);  // r = 1, then short
    append(16, 16);                      // r
    script.insert(script.end(), 32, 0);  // x = 1 - v < 0
    append(32, 2000);                    // p and any redraws
    Script(script);
    StrongPrimeResult got = RunStrongPrime(L);
    ASSERT_EQ(got.status, 0);
    ByteStream in{script};
    ModelPrime model = ModelStrongPrime(L, in);
    EXPECT_EQ(got.p, model.p);
    EXPECT_EQ(got.s, model.s);
    EXPECT_EQ(FakeRng().bytesDrawn(), in.pos);
    EXPECT_GE(in.pos, 8u + 16 + 16 + 16 + 32 + 32);
    EXPECT_EQ(ByteLen(got.p), L);
}

TEST(GenerateStrongPrime, RefusesLengthsThatCannotComplete) {
    for (uint32_t L : {0u, 8u, 12u, 24u, 33u, 65u}) {
        Num out(40);
        HeapTestReset(0);
        EXPECT_EQ(GenerateStrongPrime(L, &out.b), -1) << L;
        EXPECT_EQ(HeapTestAllocations(), 0u);
    }
}

TEST(GenerateStrongPrime, FailuresReleaseEverything) {
    KX_REQUIRE_FAKE_RNG();
    const uint32_t L = 32;
    Num out(9, 12345);
    FakeRng().reset(3);
    HeapTestReset(0);
    ASSERT_EQ(GenerateStrongPrime(L, &out.b), 0);
    const uint64_t total = HeapTestAllocations();
    const uint64_t step = total / (kSanitized ? 30 : 60) + 1;
    for (uint64_t failAt = 1; failAt <= total; failAt += failAt < 40 ? 1 : step) {
        out.Set(12345);
        FakeRng().reset(3);
        HeapTestReset(failAt);
        ASSERT_EQ(GenerateStrongPrime(L, &out.b), -1) << failAt;
        EXPECT_EQ(out.Get(), 12345) << "out is not written on failure";
        ASSERT_EQ(HeapTestLive(), 0) << failAt;
        ASSERT_EQ(HeapTestUnclearedReleases(), 0u) << failAt;
    }
    HeapTestReset(0);
    for (uint32_t call : {1u, 2u, 3u, 4u}) {
        FakeRng().reset(3);
        FakeRng().failOnCall(call);
        EXPECT_EQ(GenerateStrongPrime(L, &out.b), -1) << call;
        EXPECT_EQ(HeapTestLive(), 0);
    }
}

// ---------------------------------------------------------------------------
// KxGenerateRsaKey
// ---------------------------------------------------------------------------

// Eight output buffers of modulusLength bytes each and their records.
struct KeyBuffers {
    std::vector<Bytes> data;
    OctetString rec[8];
    explicit KeyBuffers(uint32_t size = 256) : data(8, Bytes(size, 0xA5)) {
        for (int i = 0; i < 8; ++i) rec[i] = OctetString{data[i].data(), 0xDEAD};
    }
    int32_t Generate(uint32_t modulusLength, int32_t exponentLength, uint32_t* error) {
        return KxGenerateRsaKey(modulusLength, exponentLength, &rec[0], &rec[1], &rec[2], &rec[3], &rec[4],
                                &rec[5], &rec[6], &rec[7], error);
    }
    mpz_class Value(int i) const {
        return FromBytes(Bytes(data[i].begin(), data[i].begin() + rec[i].length));
    }
    Key ToKey() const {
        return Key{Value(0), Value(1), Value(2), Value(3), Value(4), Value(5), Value(6), Value(7)};
    }
    bool Untouched() const {
        for (int i = 0; i < 8; ++i)
            if (rec[i].length != 0xDEAD || std::count(data[i].begin(), data[i].end(), 0xA5) != 256)
                return false;
        return true;
    }
};

// The identities every key must satisfy, checked with GMP.
void ExpectValidKey(const Key& k, uint32_t modulusLength) {
    const uint32_t L = modulusLength / 2;
    EXPECT_EQ(k.n, k.p * k.q);
    EXPECT_GT(k.p, k.q);
    EXPECT_EQ(ByteLen(k.p), L);
    EXPECT_EQ(ByteLen(k.q), L);
    EXPECT_TRUE(IsGmpPrime(k.p));
    EXPECT_TRUE(IsGmpPrime(k.q));
    mpz_class g, lambda;
    mpz_lcm(lambda.get_mpz_t(), mpz_class(k.p - 1).get_mpz_t(), mpz_class(k.q - 1).get_mpz_t());
    EXPECT_EQ(k.e * k.d % lambda, 1);
    EXPECT_LT(k.d, lambda);
    EXPECT_EQ(k.dP, k.d % (k.p - 1));
    EXPECT_EQ(k.dQ, k.d % (k.q - 1));
    EXPECT_EQ(k.q * k.qInv % k.p, 1);
    EXPECT_NE((k.p - 1) % 65537, 0);
    EXPECT_NE((k.q - 1) % 65537, 0);
}

TEST(KxGenerateRsaKey, AcceptedLengthsAreExactlyThoseThatComplete) {
    const std::vector<uint32_t> accepted = {64, 65, 96, 97, 128, 129, 160, 161, 192, 193, 224, 225, 256};
    for (uint32_t m = 0; m <= 300; ++m)
        EXPECT_EQ(IsKeyLengthAccepted(m), std::count(accepted.begin(), accepted.end(), m) == 1) << m;
}

TEST(KxGenerateRsaKey, ArgumentRulesAndTheirOrder) {
    struct Case {
        uint32_t modulusLength;
        int32_t exponentLength;
        int nullRecord;  // -1 none
        int nullData;    // -1 none
    } cases[] = {
        {63, 3, -1, -1},    {257, 3, -1, -1}, {0, 3, -1, -1},   {80, 3, -1, -1},  {66, 3, -1, -1},
        {255, 3, -1, -1},   {64, 0, -1, -1},  {64, -1, -1, -1}, {64, 65, -1, -1}, {65, 65, -1, -1},
        {129, 129, -1, -1}, {64, 3, 0, -1},   {64, 3, 7, -1},   {64, 3, -1, 0},   {64, 3, -1, 4},
        {64, 3, -1, 7},     {63, 0, 3, 2},    {64, 3, 2, 5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.modulusLength << "/" << c.exponentLength << "/" << c.nullRecord
                                          << "/" << c.nullData);
        KeyBuffers k;
        OctetString* r[8];
        for (int i = 0; i < 8; ++i) r[i] = &k.rec[i];
        if (c.nullData >= 0) k.rec[c.nullData].data = nullptr;
        if (c.nullRecord >= 0) r[c.nullRecord] = nullptr;
        uint32_t error = 12345;
        HeapTestReset(0);
        EXPECT_EQ(KxGenerateRsaKey(c.modulusLength, c.exponentLength, r[0], r[1], r[2], r[3], r[4], r[5],
                                   r[6], r[7], &error),
                  -1);
        EXPECT_EQ(error, static_cast<uint32_t>(ErrParameter));
        EXPECT_EQ(HeapTestAllocations(), 0u) << "refused before any work";
        if (c.nullData >= 0) k.rec[c.nullData].data = k.data[c.nullData].data();
        EXPECT_TRUE(k.Untouched());
    }
    // A null error location: -1 and nothing written, whatever the arguments.
    KeyBuffers k;
    EXPECT_EQ(k.Generate(64, 3, nullptr), -1);
    EXPECT_EQ(k.Generate(63, 0, nullptr), -1);
    EXPECT_TRUE(k.Untouched());
    // The entry gate comes first: 546 even for arguments that would give 99.
    {
        JcmvpErrorStateScope gate;
        uint32_t error = 0;
        EXPECT_EQ(k.Generate(63, 0, &error), -1);
        EXPECT_EQ(error, static_cast<uint32_t>(ErrModuleState));
        EXPECT_EQ(k.Generate(64, 3, nullptr), -1);
    }
    EXPECT_TRUE(k.Untouched());
}

struct GenerateCase {
    uint32_t modulusLength;
    int32_t exponentLength;
};

// Whole keys under the scripted generator equal the GMP model's key from the
// same bytes (which fixes the order and sizes of every draw, the exponent
// procedure, the attempts and the acceptance test), with the right lengths.
TEST(KxGenerateRsaKey, KeysMatchTheModel) {
    KX_REQUIRE_FAKE_RNG();
    std::vector<GenerateCase> cases = {{64, 3},  {64, 1}, {64, 2}, {64, 4},  {64, 64}, {65, 3},
                                       {65, 64}, {96, 3}, {97, 5}, {128, 3}, {129, 3}, {128, 128}};
    int keys = 0, attempts = 0;
    for (int repeat = 0; repeat < (kSanitized ? 1 : 2); ++repeat) {
        for (const GenerateCase& c : cases) {
            if (c.modulusLength >= 128 && repeat > 0) continue;
            ++keys;
            SCOPED_TRACE(::testing::Message()
                         << c.modulusLength << "/" << c.exponentLength << " #" << repeat);
            const Bytes script =
                ScriptBytes(1000 * repeat + c.modulusLength + 7 * c.exponentLength, 64 * 1024);
            FakeRng().reset(0);
            Script(script);
            KeyBuffers k;
            uint32_t error = 12345;
            HeapTestReset(0);
            ASSERT_EQ(k.Generate(c.modulusLength, c.exponentLength, &error), 0);
            EXPECT_EQ(error, 0u);
            EXPECT_EQ(HeapTestLive(), 0);
            EXPECT_EQ(HeapTestUnclearedReleases(), 0u);

            const uint32_t L = c.modulusLength / 2;
            const uint32_t lengths[8] = {2 * L, static_cast<uint32_t>(c.exponentLength), 2 * L, L, L, L, L,
                                         L};
            for (int i = 0; i < 8; ++i) EXPECT_EQ(k.rec[i].length, lengths[i]) << "component " << i;
            const Key got = k.ToKey();
            ExpectValidKey(got, c.modulusLength);
            if (c.exponentLength == 3) EXPECT_EQ(got.e, 65537);
            EXPECT_EQ(got.e % 2, 1);

            ByteStream in{script};
            const Key model =
                ModelKey(c.modulusLength, static_cast<uint32_t>(c.exponentLength), in, &attempts);
            EXPECT_EQ(got.n, model.n);
            EXPECT_EQ(got.e, model.e);
            EXPECT_EQ(got.d, model.d);
            EXPECT_EQ(got.qInv, model.qInv);
            EXPECT_EQ(FakeRng().bytesDrawn(), in.pos);
        }
    }
    if (!kSanitized) EXPECT_GT(attempts, keys) << "some keys were made again from scratch";
}

// A one-byte exponent that comes out as 1 gives d = 1, shorter than n: the
// whole key is made again, primes included, from the bytes that follow.
TEST(KxGenerateRsaKey, ShortComponentsStartANewAttempt) {
    KX_REQUIRE_FAKE_RNG();
    Bytes script = ScriptBytes(77, 16 * 1024);
    ByteStream first{script};
    Key k;
    ModelPrimes(32, first, &k);
    script[first.pos] = 0x01;  // the exponent's byte
    FakeRng().reset(0);
    Script(script);
    KeyBuffers got;
    uint32_t error = 0;
    ASSERT_EQ(got.Generate(64, 1, &error), 0);
    ByteStream in{script};
    int attempts = 0;
    const Key model = ModelKey(64, 1, in, &attempts);
    EXPECT_EQ(attempts, 2);
    EXPECT_EQ(got.ToKey().n, model.n);
    EXPECT_NE(model.p, k.p);
    EXPECT_EQ(FakeRng().bytesDrawn(), in.pos);
    ExpectValidKey(got.ToKey(), 64);
}

// ---------------------------------------------------------------------------
// OpenSSL accepts and uses the keys
// ---------------------------------------------------------------------------

EVP_PKEY* ToOpenSsl(const Key& k, bool withPrivate) {
    OSSL_PARAM_BLD* bld = OSSL_PARAM_BLD_new();
    std::vector<BIGNUM*> bns;
    auto push = [&](const char* name, const mpz_class& v) {
        Bytes b = BytesFromMpz(v.get_mpz_t());
        BIGNUM* bn = BN_bin2bn(b.data(), static_cast<int>(b.size()), nullptr);
        bns.push_back(bn);
        OSSL_PARAM_BLD_push_BN(bld, name, bn);
    };
    push(OSSL_PKEY_PARAM_RSA_N, k.n);
    push(OSSL_PKEY_PARAM_RSA_E, k.e);
    if (withPrivate) {
        push(OSSL_PKEY_PARAM_RSA_D, k.d);
        push(OSSL_PKEY_PARAM_RSA_FACTOR1, k.p);
        push(OSSL_PKEY_PARAM_RSA_FACTOR2, k.q);
        push(OSSL_PKEY_PARAM_RSA_EXPONENT1, k.dP);
        push(OSSL_PKEY_PARAM_RSA_EXPONENT2, k.dQ);
        push(OSSL_PKEY_PARAM_RSA_COEFFICIENT1, k.qInv);
    }
    OSSL_PARAM* params = OSSL_PARAM_BLD_to_param(bld);
    EVP_PKEY_CTX* ctx = EVP_PKEY_CTX_new_from_name(nullptr, "RSA", nullptr);
    EVP_PKEY* pkey = nullptr;
    if (EVP_PKEY_fromdata_init(ctx) != 1 ||
        EVP_PKEY_fromdata(ctx, &pkey, withPrivate ? EVP_PKEY_KEYPAIR : EVP_PKEY_PUBLIC_KEY, params) != 1)
        pkey = nullptr;
    EVP_PKEY_CTX_free(ctx);
    OSSL_PARAM_free(params);
    OSSL_PARAM_BLD_free(bld);
    for (BIGNUM* bn : bns) BN_free(bn);
    return pkey;
}

// OpenSSL's full key check, a SHA-256 signature made with the private key and
// verified with the public one, OAEP encryption the other way, the raw public
// operation of kxrsa on the signature, and kxrsa's private operation undoing
// OpenSSL's raw public one.
void ExpectOpenSslUses(const Key& k) {
    EVP_PKEY* priv = ToOpenSsl(k, true);
    EVP_PKEY* pub = ToOpenSsl(k, false);
    ASSERT_NE(priv, nullptr);
    ASSERT_NE(pub, nullptr);
    EVP_PKEY_CTX* check = EVP_PKEY_CTX_new(priv, nullptr);
    EXPECT_EQ(EVP_PKEY_check(check), 1);
    EVP_PKEY_CTX_free(check);

    const Bytes message = ScriptBytes(5, 100);
    Bytes sig(EVP_PKEY_get_size(priv));
    size_t sigLen = sig.size();
    EVP_MD_CTX* md = EVP_MD_CTX_new();
    EXPECT_EQ(EVP_DigestSignInit(md, nullptr, EVP_sha256(), nullptr, priv), 1);
    EXPECT_EQ(EVP_DigestSign(md, sig.data(), &sigLen, message.data(), message.size()), 1);
    EVP_MD_CTX_free(md);
    md = EVP_MD_CTX_new();
    EXPECT_EQ(EVP_DigestVerifyInit(md, nullptr, EVP_sha256(), nullptr, pub), 1);
    EXPECT_EQ(EVP_DigestVerify(md, sig.data(), sigLen, message.data(), message.size()), 1);
    EVP_MD_CTX_free(md);

    // kxrsa's raw public operation recovers the v1.5 block 00 01 FF .. 00 DigestInfo.
    Bytes e = BytesFromMpz(k.e.get_mpz_t()), n = BytesFromMpz(k.n.get_mpz_t());
    Bytes block(n.size());
    OctetString eRec = Rec(e), nRec = Rec(n), sRec = Rec(sig), out{block.data(), 0};
    uint32_t error = 1;
    ASSERT_EQ(KxSealRsaBlock(&eRec, &nRec, &sRec, &out, &error), 0);
    EXPECT_EQ(out.length, n.size() - 1);  // the leading 00 is not written
    EXPECT_EQ(block[0], 0x01);
    EXPECT_EQ(block[1], 0xFF);

    const Bytes secret = ScriptBytes(6, 20);
    EVP_PKEY_CTX* enc = EVP_PKEY_CTX_new(pub, nullptr);
    EXPECT_EQ(EVP_PKEY_encrypt_init(enc), 1);
    EXPECT_EQ(EVP_PKEY_CTX_set_rsa_padding(enc, RSA_PKCS1_OAEP_PADDING), 1);
    Bytes cipher(EVP_PKEY_get_size(pub));
    size_t cipherLen = cipher.size();
    EXPECT_EQ(EVP_PKEY_encrypt(enc, cipher.data(), &cipherLen, secret.data(), secret.size()), 1);
    EVP_PKEY_CTX_free(enc);
    EVP_PKEY_CTX* dec = EVP_PKEY_CTX_new(priv, nullptr);
    EXPECT_EQ(EVP_PKEY_decrypt_init(dec), 1);
    EXPECT_EQ(EVP_PKEY_CTX_set_rsa_padding(dec, RSA_PKCS1_OAEP_PADDING), 1);
    Bytes plain(cipher.size());
    size_t plainLen = plain.size();
    EXPECT_EQ(EVP_PKEY_decrypt(dec, plain.data(), &plainLen, cipher.data(), cipherLen), 1);
    plain.resize(plainLen);
    EXPECT_EQ(plain, secret);
    EVP_PKEY_CTX_free(dec);

    // OpenSSL's raw public operation, undone by kxrsa's CRT private operation.
    Bytes m = ScriptBytes(7, n.size());
    m[0] = 0;     // below n
    m[1] = 0x42;  // so that the minimal form drops exactly one byte
    EVP_PKEY_CTX* raw = EVP_PKEY_CTX_new(pub, nullptr);
    EXPECT_EQ(EVP_PKEY_encrypt_init(raw), 1);
    EXPECT_EQ(EVP_PKEY_CTX_set_rsa_padding(raw, RSA_NO_PADDING), 1);
    cipherLen = cipher.size();
    EXPECT_EQ(EVP_PKEY_encrypt(raw, cipher.data(), &cipherLen, m.data(), m.size()), 1);
    EVP_PKEY_CTX_free(raw);
    Bytes d = BytesFromMpz(k.d.get_mpz_t()), p = BytesFromMpz(k.p.get_mpz_t()),
          q = BytesFromMpz(k.q.get_mpz_t()), dP = BytesFromMpz(k.dP.get_mpz_t()),
          dQ = BytesFromMpz(k.dQ.get_mpz_t()), qInv = BytesFromMpz(k.qInv.get_mpz_t());
    OctetString dRec = Rec(d), pRec = Rec(p), qRec = Rec(q), dPRec = Rec(dP), dQRec = Rec(dQ),
                qInvRec = Rec(qInv), cRec = Rec(cipher);
    Bytes back(n.size());
    out = OctetString{back.data(), 0};
    ASSERT_EQ(KxUnsealRsaBlock(&dRec, &nRec, &pRec, &qRec, &dPRec, &dQRec, &qInvRec, &cRec, &out, &error), 0);
    back.resize(out.length);
    EXPECT_EQ(back, Bytes(m.begin() + 1, m.end()));  // minimal form: without the leading 00

    EVP_PKEY_free(priv);
    EVP_PKEY_free(pub);
}

// Keys from the real generator (the model tests use the scripted one) at
// 512, 1024 and 2048 bits and the odd length 129 (lengths of 128).
TEST(KxGenerateRsaKey, OpenSslAcceptsAndUsesTheKeys) {
    std::vector<GenerateCase> cases = {{64, 3},  {64, 4},  {65, 3},   {96, 3},
                                       {128, 3}, {129, 3}, {129, 17}, {128, 128}};
    cases.push_back({256, 3});  // the one 2048-bit key under the sanitizers
    if (!kSanitized) cases.push_back({256, 8});
    for (const GenerateCase& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.modulusLength << "/" << c.exponentLength);
        if (FakeRng().loaded) FakeRng().reset(c.modulusLength * 31 + static_cast<uint32_t>(c.exponentLength));
        KeyBuffers k;
        uint32_t error = 12345;
        ASSERT_EQ(k.Generate(c.modulusLength, c.exponentLength, &error), 0);
        EXPECT_EQ(error, 0u);
        const uint32_t L = c.modulusLength / 2;
        const uint32_t lengths[8] = {2 * L, static_cast<uint32_t>(c.exponentLength), 2 * L, L, L, L, L, L};
        for (int i = 0; i < 8; ++i) EXPECT_EQ(k.rec[i].length, lengths[i]) << "component " << i;
        const Key key = k.ToKey();
        ExpectValidKey(key, c.modulusLength);
        ExpectOpenSslUses(key);
    }
}

// Every call of the generator in one generation fails in turn.
TEST(KxGenerateRsaKey, FailingGeneratorGives301) {
    KX_REQUIRE_FAKE_RNG();
    for (int32_t exponentLength : {3, 8}) {
        KeyBuffers k;
        uint32_t error = 0;
        FakeRng().reset(11);
        ASSERT_EQ(k.Generate(64, exponentLength, &error), 0);
        const uint32_t calls = FakeRng().calls();
        ASSERT_GE(calls, exponentLength == 3 ? 8u : 9u);  // s, t, r, p twice (and e)
        for (uint32_t call = 1; call <= calls; ++call) {
            SCOPED_TRACE(::testing::Message() << exponentLength << " call " << call);
            FakeRng().reset(11);
            FakeRng().failOnCall(call);
            KeyBuffers f;
            HeapTestReset(0);
            EXPECT_EQ(f.Generate(64, exponentLength, &error), -1);
            EXPECT_EQ(error, static_cast<uint32_t>(ErrKeyGeneration));
            EXPECT_EQ(HeapTestLive(), 0);
            EXPECT_EQ(HeapTestUnclearedReleases(), 0u);
            for (int i = 0; i < 8; ++i) EXPECT_EQ(f.rec[i].length, 0xDEADu);
        }
    }
}

// Allocation number n fails, for the first 60 and then a spread over one
// whole generation (deterministic under the seeded generator).
TEST(KxGenerateRsaKey, AllocationFailureGives301AndReleasesEverything) {
    KX_REQUIRE_FAKE_RNG();
    KeyBuffers k;
    uint32_t error = 0;
    FakeRng().reset(5);
    HeapTestReset(0);
    ASSERT_EQ(k.Generate(64, 8, &error), 0);
    const uint64_t total = HeapTestAllocations();
    const uint64_t step = total / (kSanitized ? 40 : 80) + 1;
    int runs = 0;
    for (uint64_t failAt = 1; failAt <= total; failAt += failAt < 60 ? 1 : step, ++runs) {
        KeyBuffers f;
        FakeRng().reset(5);
        HeapTestReset(failAt);
        error = 0;
        ASSERT_EQ(f.Generate(64, 8, &error), -1) << failAt;
        ASSERT_EQ(error, static_cast<uint32_t>(ErrKeyGeneration)) << failAt;
        ASSERT_EQ(HeapTestLive(), 0) << failAt;
        ASSERT_EQ(HeapTestUnclearedReleases(), 0u) << failAt;
        for (int i = 0; i < 8; ++i) ASSERT_EQ(f.rec[i].length, 0xDEADu);
    }
    HeapTestReset(0);
    EXPECT_GT(runs, 90);
}

// The JCMVP mode without a status library: the mode state points at stand-ins.
struct PairwiseScope {
    static inline int32_t verdict = 0;
    static inline std::vector<std::pair<int32_t, int32_t>> statuses;
    static inline const OctetString* seen[8] = {};
    JcmvpModeState saved = g_jcmvp;
    explicit PairwiseScope(int32_t testResult) {
        static int dummyLibrary;
        verdict = testResult;
        statuses.clear();
        g_jcmvp.library = &dummyLibrary;
        g_jcmvp.getFamilyStatus = [] { return int32_t{1}; };
        g_jcmvp.setStatus = [](int32_t module, int32_t status) {
            statuses.emplace_back(module, status);
            return int32_t{0};
        };
        g_jcmvp.rsaKeyPairTest = [](const OctetString* d, const OctetString* e, const OctetString* n,
                                    const OctetString* p, const OctetString* q, const OctetString* dP,
                                    const OctetString* dQ, const OctetString* qInv) {
            const OctetString* all[8] = {d, e, n, p, q, dP, dQ, qInv};
            std::copy(all, all + 8, seen);
            return verdict;
        };
    }
    ~PairwiseScope() { g_jcmvp = saved; }
};

TEST(KxGenerateRsaKey, PairwiseTestInTheJcmvpMode) {
    for (int32_t testResult : {-1, 0}) {
        SCOPED_TRACE(testResult);
        PairwiseScope scope(testResult);
        KeyBuffers k;
        uint32_t error = 12345;
        const int32_t rc = k.Generate(64, 3, &error);
        // The test saw the caller's records with the new lengths.
        for (int i = 0; i < 8; ++i) EXPECT_EQ(PairwiseScope::seen[i], &k.rec[i]);
        EXPECT_EQ(k.rec[2].length, 64u);
        ExpectValidKey(k.ToKey(), 64);  // a rejected key stays in the records
        // Status 3 (testing) while the test runs, then 4 (error) or 1 (ready).
        using Status = std::pair<int32_t, int32_t>;
        const std::vector<Status> expected = {{RsaModuleId, 3}, {RsaModuleId, testResult == -1 ? 4 : 1}};
        EXPECT_EQ(PairwiseScope::statuses, expected);
        if (testResult == -1) {
            EXPECT_EQ(rc, -1);
            EXPECT_EQ(error, static_cast<uint32_t>(ErrModuleState));
        } else {
            EXPECT_EQ(rc, 0);
            EXPECT_EQ(error, 0u);
        }
    }
}

}  // namespace
