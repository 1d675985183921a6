// KxSealRsaBlock: decision order, output form, failure paths, and results
// against GMP on random and real moduli.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "failure_points.h"
#include "gate_scope.h"
#include "heap.h"
#include "test_support.h"

namespace {

// The call into a 300-byte buffer of 0xA5 with an output length of 0xDEAD,
// so that what was written, and what was not, shows.
struct SealRun {
    int32_t result;
    uint32_t error = 0xFFFF;
    Bytes buffer = Bytes(300, 0xA5);
    uint32_t length = 0xDEAD;
};

SealRun Seal(const OctetString* e, const OctetString* n, const OctetString* x, bool withOutput = true,
             bool withError = true) {
    SealRun run;
    OctetString out{run.buffer.data(), run.length};
    run.result = KxSealRsaBlock(e, n, x, withOutput ? &out : nullptr, withError ? &run.error : nullptr);
    run.length = out.length;
    return run;
}

// The result is GMP's, in minimal form, and nothing past it was written.
void ExpectSealMatchesGmp(const Bytes& e, const Bytes& n, const Bytes& x) {
    OctetString E = Rec(e), N = Rec(n), X = Rec(x);
    SealRun run = Seal(&E, &N, &X);
    ASSERT_EQ(run.result, 0) << "error " << run.error;
    EXPECT_EQ(run.error, 0u);
    ASSERT_EQ(ToHex(run.buffer.data(), run.length), ToHex(PowMod(x, e, n)))
        << "n=" << ToHex(n) << " e=" << ToHex(e) << " x=" << ToHex(x);
    ASSERT_TRUE(std::all_of(run.buffer.begin() + run.length, run.buffer.end(), [](uint8_t v) { return v == 0xA5; }));
}

TEST(SealBlock, DecisionOrderAndArgumentRules) {
    Bytes n(128, 0xC3), e{1, 0, 1}, x(128, 0x11), longer(257, 1), zeros(64, 0), empty;
    OctetString N = Rec(n), E = Rec(e), X = Rec(x), Long{longer.data(), 129}, Empty = Rec(empty),
                nullData{nullptr, 4}, n63{n.data(), 63}, n64{n.data(), 64}, n256{longer.data(), 256},
                n257{longer.data(), 257}, zero = Rec(zeros);
    struct Case {
        const char* what;
        const OctetString *e, *n, *x;
        bool output;
        uint32_t code;
    } const CASES[] = {
        {"null modulus", &E, nullptr, &X, true, ErrParameter},
        {"modulus data null", &E, &nullData, &X, true, ErrParameter},
        {"modulus 63 bytes", &E, &n63, &X, true, ErrParameter},
        {"modulus 257 bytes", &E, &n257, &X, true, ErrParameter},
        {"zero modulus", &E, &zero, &X, true, ErrParameter},
        {"null exponent", nullptr, &N, &X, true, ErrParameter},
        {"exponent data null", &nullData, &N, &X, true, ErrParameter},
        {"exponent longer than modulus", &Long, &N, &X, true, ErrParameter},
        {"null input", &E, &N, nullptr, true, ErrParameter},
        {"input longer than modulus", &E, &n64, &X, true, ErrParameter},
        {"null output", &E, &N, &X, false, ErrParameter},
        {"exponent and input as long as the modulus", &X, &N, &X, true, 0},
        {"modulus 256 bytes", &E, &n256, &X, true, 0},
        {"empty exponent and input are zero", &Empty, &N, &Empty, true, 0},
    };
    for (const Case& c : CASES) {
        SCOPED_TRACE(c.what);
        SealRun run = Seal(c.e, c.n, c.x, c.output);
        EXPECT_EQ(run.error, c.code);
        EXPECT_EQ(run.result, c.code == 0 ? 0 : -1);
        if (c.code != 0) EXPECT_TRUE(run.length == 0xDEAD && run.buffer == Bytes(300, 0xA5));
    }
    // A null error pointer: -1 and nothing written, whatever else is wrong.
    EXPECT_EQ(Seal(&E, &N, &X, true, false).length, 0xDEADu);
    EXPECT_EQ(Seal(nullptr, nullptr, nullptr, false, false).result, -1);
    // In the error state the gate answers first, before any argument rule.
    JcmvpErrorStateScope errorState;
    SealRun run = Seal(nullptr, &n63, nullptr);
    EXPECT_TRUE(run.result == -1 && run.error == ErrModuleState);
    EXPECT_EQ(Seal(&E, &N, &X, true, false).result, -1);
}

TEST(SealBlock, RandomModuliAgainstGmp) {
    const char* env = std::getenv("KX_SEED");
    uint32_t seed = env != nullptr ? static_cast<uint32_t>(std::strtoul(env, nullptr, 0)) : std::random_device{}();
    std::printf("KX_SEED=%u\n", seed);
    std::mt19937 rng(seed);
    auto random = [&](size_t length) {
        Bytes b(length);
        for (auto& v : b) v = static_cast<uint8_t>(rng());
        return b;
    };
    // A small modulus in a long record (63 zero bytes, then 11) and inputs of
    // zero, one, n and above.
    Bytes eleven(64, 0);
    eleven[63] = 0x0B;
    for (const Bytes& x : {Bytes{}, Bytes{1}, Bytes{2}, Bytes{0x0B}, Bytes{0x0D}, Bytes(64, 0xFF)})
        for (const Bytes& e : {Bytes{0}, Bytes{1}, Bytes{3}, Bytes(64, 0xFF)}) ExpectSealMatchesGmp(e, eleven, x);

    for (int iteration = 0; iteration < 300 && !HasFailure(); ++iteration) {
        uint32_t length = 64 + rng() % 193;
        Bytes n = random(length);
        // Leading zero bytes in the record, a top byte with few bits, or a full one.
        switch (rng() % 4) {
            case 0: std::fill(n.begin(), n.begin() + rng() % 9, 0); break;
            case 1: n[0] = static_cast<uint8_t>(1 + rng() % 3); break;
            case 2: n[0] |= 0x80; break;
        }
        n.back() |= 1;
        const Bytes EXPONENTS[] = {{1, 0, 1}, {3}, random(length), random(1 + rng() % 8)};
        // Inputs below and above n, and all-ones as long as the record.
        Bytes x = rng() % 3 == 0 ? Bytes(length, 0xFF) : random(1 + rng() % length);
        ExpectSealMatchesGmp(EXPONENTS[rng() % 4], n, x);
    }
}

TEST(SealBlock, RealKeysRoundTripWithOpenSsl) {
    for (int bits : {512, 1000, 1024, 1030, 2048}) {
        SCOPED_TRACE(bits);
        const TestKey& key = KeyOf(bits);
        Bytes x = key.n;
        x[0] >>= 1;
        // The modulus with leading zero bytes in its record, up to 256 bytes.
        Bytes padded(std::min<size_t>(2, 256 - key.n.size()), 0);
        padded.insert(padded.end(), key.n.begin(), key.n.end());
        ExpectSealMatchesGmp(key.e, padded, x);
        ExpectSealMatchesGmp(key.e, padded, Bytes(padded.size(), 0xFF));
        // OpenSSL's raw private operation takes kxrsa's result back to x.
        OctetString E = Rec(key.e), N = Rec(key.n), X = Rec(x);
        SealRun run = Seal(&E, &N, &X);
        Bytes c(key.n.size() - run.length, 0);
        c.insert(c.end(), run.buffer.begin(), run.buffer.begin() + run.length);
        EXPECT_EQ(ToHex(OsslRaw(key, c, true)), ToHex(x));
    }
}

// Allocation n fails, n = 1, 2, ... until the call succeeds, for a synthetic
// 96-byte modulus and the 512- and 2048-bit keys, the mode off and on: 62, the
// output untouched, nothing live, every word array released cleared.
TEST(SealBlock, AllocationFailureAtEveryPoint) {
    struct Case { std::string name; Bytes n, e, x; };
    std::vector<Case> cases = {{"96-byte modulus", Bytes(96, 0xE7), Bytes(96, 0x5B), Bytes(96, 0x3C)}};
    for (int bits : {512, 2048}) cases.push_back({std::to_string(bits) + "-bit key", KeyOf(bits).n, KeyOf(bits).e,
                                                   Pattern(KeyOf(bits).k() - 1, bits)});
    for (const Case& c : cases) {
        for (bool modeOn : {false, true}) {
            SCOPED_TRACE(c.name + (modeOn ? ", mode on" : ""));
            JcmvpModeOnScope mode(modeOn);
            OctetString N = Rec(c.n), E = Rec(c.e), X = Rec(c.x);
            HeapTestReset(0);
            ASSERT_EQ(Seal(&E, &N, &X).result, 0);
            const uint64_t total = HeapTestAllocations();
            EXPECT_GE(total, 4u);  // the four working integers at least
            std::vector<uint64_t> points = FailurePoints(total, UINT64_MAX);  // cheap: every one
            points.push_back(total + 1);  // nothing fails
            for (uint64_t failAt : points) {
                HeapTestReset(failAt);
                SealRun run = Seal(&E, &N, &X);
                EXPECT_EQ(HeapTestLive(), 0) << failAt;
                EXPECT_EQ(HeapTestUnclearedReleases(), 0u) << failAt;
                if (failAt > total) {
                    EXPECT_EQ(ToHex(run.buffer.data(), run.length), ToHex(PowMod(c.x, c.e, c.n)));
                    break;
                }
                EXPECT_EQ(run.result, -1) << failAt;
                EXPECT_EQ(run.error, ErrInternal) << failAt;
                EXPECT_TRUE(run.length == 0xDEAD && run.buffer == Bytes(300, 0xA5)) << failAt;
            }
            ReportFailurePoints("KxSealRsaBlock", c.name + (modeOn ? ", mode on" : ""), points.size() - 1, total);
        }
    }
    HeapTestReset(0);
}

}  // namespace
