// KxSealRsaBlock: decision order, output form, failure paths, and results
// against GMP on random and real moduli.
#include <gtest/gtest.h>
#include <openssl/bn.h>
#include <openssl/core_names.h>
#include <openssl/evp.h>
#include <openssl/rsa.h>

#include <cstdlib>
#include <random>

#include "heap.h"
#include "test_support.h"

namespace {

// Runs KxSealRsaBlock into a 300-byte buffer filled with 0xA5 and an output
// length of 0xDEAD, so that what was written (and what was not) shows.
struct SealRun {
    int32_t result;
    uint32_t error;
    Bytes buffer;
    uint32_t length;
};

SealRun Seal(const OctetString* e, const OctetString* n, const OctetString* x, bool withOutput = true,
             bool withError = true) {
    SealRun run{0, 0xFFFF, Bytes(300, 0xA5), 0xDEAD};
    OctetString out{run.buffer.data(), run.length};
    run.result = KxSealRsaBlock(e, n, x, withOutput ? &out : nullptr, withError ? &run.error : nullptr);
    run.length = out.length;
    return run;
}

Bytes Oracle(const Bytes& x, const Bytes& e, const Bytes& n) {
    mpz_t X, E, N, R;
    mpz_inits(X, E, N, R, nullptr);
    MpzFromBytes(X, x);
    MpzFromBytes(E, e);
    MpzFromBytes(N, n);
    mpz_powm(R, X, E, N);
    Bytes r = BytesFromMpz(R);
    mpz_clears(X, E, N, R, nullptr);
    return r;
}

void ExpectSealEquals(const Bytes& e, const Bytes& n, const Bytes& x) {
    OctetString E = Rec(e), N = Rec(n), X = Rec(x);
    SealRun run = Seal(&E, &N, &X);
    ASSERT_EQ(run.result, 0) << "error " << run.error;
    EXPECT_EQ(run.error, 0u);
    Bytes expected = Oracle(x, e, n);
    ASSERT_EQ(ToHex(run.buffer.data(), run.length), ToHex(expected))
        << "n=" << ToHex(n) << " e=" << ToHex(e) << " x=" << ToHex(x);
    // Nothing past the minimal result was touched.
    for (size_t i = run.length; i < run.buffer.size(); ++i) ASSERT_EQ(run.buffer[i], 0xA5) << i;
}

uint32_t Seed() {
    const char* env = std::getenv("KX_SEED");
    uint32_t seed = env != nullptr ? static_cast<uint32_t>(std::strtoul(env, nullptr, 0)) : std::random_device{}();
    std::printf("KX_SEED=%u\n", seed);
    return seed;
}

Bytes RandomBytes(std::mt19937& rng, size_t length) {
    Bytes b(length);
    for (auto& v : b) v = static_cast<uint8_t>(rng());
    return b;
}

TEST(SealBlock, DecisionOrderAndArgumentRules) {
    Bytes n(128, 0xC3), e{1, 0, 1}, x(128, 0x11), longer(129, 1), empty;
    uint8_t dummy = 0;
    OctetString N = Rec(n), E = Rec(e), X = Rec(x), Long = Rec(longer), Empty = Rec(empty);
    OctetString nullData{nullptr, 4}, n63{n.data(), 63}, n64{n.data(), 64}, n256{longer.data(), 256},
        n257{longer.data(), 257};
    Bytes zeros(64, 0);
    OctetString zeroModulus = Rec(zeros);
    (void)dummy;

    struct Case {
        const char* what;
        const OctetString *e, *n, *x;
        bool output;
        uint32_t code;
    };
    const Case CASES[] = {
        {"null modulus", &E, nullptr, &X, true, ErrParameter},
        {"modulus data null", &E, &nullData, &X, true, ErrParameter},
        {"modulus 63 bytes", &E, &n63, &X, true, ErrParameter},
        {"modulus 257 bytes", &E, &n257, &X, true, ErrParameter},
        {"zero modulus", &E, &zeroModulus, &X, true, ErrParameter},
        {"null exponent", nullptr, &N, &X, true, ErrParameter},
        {"exponent data null", &nullData, &N, &X, true, ErrParameter},
        {"exponent longer than modulus", &Long, &N, &X, true, ErrParameter},
        {"null input", &E, &N, nullptr, true, ErrParameter},
        {"input longer than modulus", &E, &N, &Long, true, ErrParameter},
        {"null output", &E, &N, &X, false, ErrParameter},
        {"modulus 64 bytes", &E, &n64, &X, true, ErrParameter},  // input 128 > 64
        {"exponent and input as long as the modulus", &X, &N, &X, true, 0},
        {"modulus 256 bytes", &E, &n256, &X, true, 0},
        {"empty exponent and input are zero", &Empty, &N, &Empty, true, 0},
    };
    for (const Case& c : CASES) {
        SCOPED_TRACE(c.what);
        SealRun run = Seal(c.e, c.n, c.x, c.output);
        EXPECT_EQ(run.error, c.code);
        EXPECT_EQ(run.result, c.code == 0 ? 0 : -1);
        if (c.code != 0) {
            EXPECT_EQ(run.length, 0xDEADu);
            EXPECT_EQ(run.buffer, Bytes(300, 0xA5));
        }
    }

    // A null error pointer: -1, whatever else is wrong, and nothing written.
    SealRun run = Seal(&E, &N, &X, true, false);
    EXPECT_EQ(run.result, -1);
    EXPECT_EQ(run.length, 0xDEADu);
    run = Seal(nullptr, nullptr, nullptr, false, false);
    EXPECT_EQ(run.result, -1);

    // In the error state the gate answers first, before any argument rule.
    JcmvpErrorStateScope errorState;
    run = Seal(nullptr, &n63, nullptr);
    EXPECT_EQ(run.result, -1);
    EXPECT_EQ(run.error, ErrModuleState);
    run = Seal(&E, &N, &X, true, false);
    EXPECT_EQ(run.result, -1);
}

TEST(SealBlock, SmallValuesInLongRecords) {
    // The modulus length counts leading zero bytes: 63 zeros then 0B is n = 11.
    Bytes n(64, 0);
    n[63] = 0x0B;
    struct Case {
        Bytes e, x, expected;
    };
    const Case CASES[] = {
        {{0x03}, {0x02}, {0x08}},
        {{0x01}, {0x0D}, {0x02}},                    // input above n is reduced
        {{0x00}, {0x01}, {0x01}},                    // exponent 0
        {{0x00}, {0x05}, {0x01}},                    // x^0 = 1
        {{0x05}, {0x00}, {}},                        // zero result: length 0
        {{0x07}, {0x0B}, {}},                        // input equal to n
        {Bytes(64, 0xFF), Bytes(64, 0xFF), Oracle(Bytes(64, 0xFF), Bytes(64, 0xFF), n)},
    };
    for (const Case& c : CASES) {
        OctetString N = Rec(n), E = Rec(c.e), X = Rec(c.x);
        SealRun run = Seal(&E, &N, &X);
        ASSERT_EQ(run.result, 0);
        EXPECT_EQ(ToHex(run.buffer.data(), run.length), ToHex(c.expected));
    }
}

TEST(SealBlock, RandomModuliAgainstGmp) {
    std::mt19937 rng(Seed());
    for (int iteration = 0; iteration < 300; ++iteration) {
        uint32_t length = 64 + rng() % 193;
        Bytes n = RandomBytes(rng, length);
        // Leading zero bytes in the record, a top byte with few bits, or a full one.
        switch (rng() % 4) {
            case 0: std::fill(n.begin(), n.begin() + rng() % 9, 0); break;
            case 1: n[0] = static_cast<uint8_t>(1 + rng() % 3); break;
            case 2: n[0] |= 0x80; break;
            default: break;
        }
        if (std::all_of(n.begin(), n.end(), [](uint8_t v) { return v == 0; })) n.back() = 1;
        Bytes e;
        switch (rng() % 4) {
            case 0: e = {1, 0, 1}; break;
            case 1: e = {3}; break;
            case 2: e = RandomBytes(rng, length); break;
            default: e = RandomBytes(rng, 1 + rng() % 8); break;
        }
        // Inputs below and above n, all-ones, and as long as the record.
        Bytes x = rng() % 3 == 0 ? Bytes(length, 0xFF) : RandomBytes(rng, 1 + rng() % length);
        SCOPED_TRACE(iteration);
        ExpectSealEquals(e, n, x);
        if (HasFailure()) return;
    }
}

TEST(SealBlock, RealKeysRoundTripWithOpenSsl) {
    for (int bits : {512, 768, 1000, 1024, 1030, 2048}) {
        SCOPED_TRACE(bits);
        EVP_PKEY* key = EVP_RSA_gen(static_cast<unsigned>(bits));
        ASSERT_NE(key, nullptr);
        BIGNUM *bn = nullptr, *be = nullptr;
        ASSERT_EQ(EVP_PKEY_get_bn_param(key, OSSL_PKEY_PARAM_RSA_N, &bn), 1);
        ASSERT_EQ(EVP_PKEY_get_bn_param(key, OSSL_PKEY_PARAM_RSA_E, &be), 1);
        Bytes n(BN_num_bytes(bn)), e(BN_num_bytes(be));
        BN_bn2bin(bn, n.data());
        BN_bn2bin(be, e.data());
        // The modulus as it is and with leading zero bytes in its record.
        Bytes padded(n.size() <= 254 ? 2 : 256 - n.size(), 0);
        padded.insert(padded.end(), n.begin(), n.end());
        Bytes x = n;
        x[0] >>= 1;
        ExpectSealEquals(e, n, x);
        ExpectSealEquals(e, padded, x);
        ExpectSealEquals(e, padded, Bytes(padded.size(), 0xFF));  // above n, full record length

        // OpenSSL's raw private operation takes kxrsa's result back to x.
        OctetString E = Rec(e), N = Rec(n), X = Rec(x);
        SealRun run = Seal(&E, &N, &X);
        ASSERT_EQ(run.result, 0);
        Bytes c(n.size(), 0);
        std::copy(run.buffer.begin(), run.buffer.begin() + run.length, c.end() - run.length);
        EVP_PKEY_CTX* ctx = EVP_PKEY_CTX_new(key, nullptr);
        ASSERT_EQ(EVP_PKEY_decrypt_init(ctx), 1);
        ASSERT_EQ(EVP_PKEY_CTX_set_rsa_padding(ctx, RSA_NO_PADDING), 1);
        Bytes back(n.size());
        size_t backLength = back.size();
        ASSERT_EQ(EVP_PKEY_decrypt(ctx, back.data(), &backLength, c.data(), c.size()), 1);
        EXPECT_EQ(ToHex(back.data(), backLength), ToHex(x));
        EVP_PKEY_CTX_free(ctx);
        BN_free(bn);
        BN_free(be);
        EVP_PKEY_free(key);
    }
}

TEST(SealBlock, AllocationFailureAtEveryPoint) {
    Bytes n(96, 0xE7), e(96, 0x5B), x(96, 0x3C);
    OctetString N = Rec(n), E = Rec(e), X = Rec(x);
    Bytes expected = Oracle(x, e, n);
    for (uint64_t failAt = 1;; ++failAt) {
        HeapTestReset(failAt);
        SealRun run = Seal(&E, &N, &X);
        EXPECT_EQ(HeapTestLive(), 0) << failAt;
        EXPECT_EQ(HeapTestUnclearedReleases(), 0u) << failAt;
        if (run.result == 0) {
            EXPECT_GT(failAt, 4u);  // the four working integers at least
            EXPECT_EQ(ToHex(run.buffer.data(), run.length), ToHex(expected));
            break;
        }
        EXPECT_EQ(run.error, ErrInternal) << failAt;
        EXPECT_EQ(run.length, 0xDEADu);
        EXPECT_EQ(run.buffer, Bytes(300, 0xA5));
    }
    HeapTestReset(0);
}

}  // namespace
