// The PKCS #1 layer from the inside: block limits, the exports' order of checks,
// codes and outputs, allocation failures, blocks under the scripted generator.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "failure_points.h"
#include "fakes/fake_rng.h"
#include "gate_scope.h"
#include "heap.h"
#include "oracle_mgf1.h"
#include "pkcs1.h"
#include "test_keys.h"

namespace {

int32_t Encode(uint32_t scheme, const Bytes& input, Bytes* block, uint32_t k) {
    block->assign(k, 0xA5);
    OctetString modulus{nullptr, k}, in = Rec(input), out{block->data(), k};
    uint32_t error = 0;
    return EncodeBlock(scheme, &modulus, &in, &out, &error);
}
int32_t Check(uint32_t scheme, const Bytes& block, const Bytes& data) {  // decodes to data, or verifies it
    Bytes out(block.size());
    OctetString modulus{nullptr, static_cast<uint32_t>(block.size())}, in = Rec(block), m = Rec(data), o = Rec(out);
    uint32_t error = 0;
    if (!IsEncryptionScheme(scheme)) return VerifyBlock(scheme, &modulus, &in, &m, &error);
    const int32_t rc = DecodeBlock(scheme, &modulus, &in, &o, &error);
    return rc == kBlockOk && Bytes(out.begin(), out.begin() + o.length) != data ? kBlockFailed : rc;
}

Bytes Unmask(uint32_t h, Bytes data, const Bytes& seed) {  // data xor MGF1(seed) under hash h
    const Bytes mask = OracleMgf1(h, seed, data.size());
    std::transform(data.begin(), data.end(), mask.begin(), data.begin(), std::bit_xor<>());
    return data;
}

// Each scheme's smallest modulus and largest data; blocks at the limits decode or
// verify; no other message or changed bit verifies (other hashes: test_pkcs1_interop).
TEST(Pkcs1Blocks, LimitsRoundTripsAndRejections) {
    const uint32_t V15_SIG_MIN[6] = {45, 45, 46, 62, 78, 94};
    Bytes block, msg = Pattern(33, 9);
    for (uint32_t h = KxHashMd2; h <= KxHashSha512; ++h) {
        const uint32_t hLen = HashLengthOf(h);
        const std::pair<uint32_t, uint32_t> FAMILIES[] = {{KxSchemeV15Encryption, 11}, {KxSchemeOaep + h, 2 * hLen + 2},
                                                          {KxSchemeV15Signature + h, V15_SIG_MIN[h]}, {KxSchemePss + h, 2 * hLen + 2}};
        for (auto [scheme, minK] : FAMILIES) {
            SCOPED_TRACE(testing::Message() << "scheme " << scheme);
            const bool enc = IsEncryptionScheme(scheme);
            EXPECT_EQ(Encode(scheme, {}, &block, minK - 1), kBlockFailed);
            for (uint32_t k : {minK, std::max(minK, 128u), 256u}) {
                Bytes data = enc ? Pattern(k - minK, k) : msg;
                ASSERT_EQ(Encode(scheme, data, &block, k), kBlockOk) << k;
                EXPECT_EQ(block[0] & 0x80, 0);
                EXPECT_EQ(Check(scheme, block, data), kBlockOk);
                if (enc) EXPECT_EQ(Encode(scheme, Pattern(k - minK + 1, k), &block, k), kBlockFailed);
                if (!enc && k == 128) EXPECT_EQ(Check(scheme, block, Pattern(33, 8)), kBlockFailed);
                for (size_t i = 0; !enc && k == 128 && i < 2 * k; ++i) {  // nor a changed bit
                    Bytes bad = block;
                    bad[i / 2] ^= i % 2 ? 0x80 : 0x01;
                    ASSERT_EQ(Check(scheme, bad, msg), kBlockFailed) << i / 2;
                }
            }
        }
    }
}

enum Export { kSeal, kUnseal, kSign, kVerify };

// The four exports on a 1024-bit key, over records a test may replace.
struct Exports {
    Exports() = default;
    explicit Exports(int bits) : key(KeyOf(bits)) {}
    const TestKey& key = KeyOf(1024);
    PrivateRecords k{key};
    Bytes msg = Pattern(40, 11), buf = Bytes(key.k(), 0xCC), fullCt = Bytes(key.k(), 1);
    OctetString e = key.E(), in = Rec(msg), out{buf.data(), 7}, ct = Rec(fullCt);
    const OctetString* n = &k.n;
    std::vector<const OctetString*> Records(Export which) {  // in argument order
        if (which == kSeal) return {&e, n, &in, &out};
        if (which == kVerify) return {&e, n, &ct, &in};
        return {&k.d, n, &k.p, &k.q, &k.dP, &k.dQ, &k.qInv, which == kUnseal ? &ct : &in, &out};
    }
    int32_t Call(Export which, uint32_t scheme, uint32_t* error) { return Call(which, scheme, error, Records(which)); }
    int32_t Call(Export which, uint32_t scheme, uint32_t* error, const std::vector<const OctetString*>& r) {
        OctetString* o = const_cast<OctetString*>(r.back());
        switch (which) {
            case kSeal: return KxSealRsaBlockPKCS(scheme, r[0], r[1], r[2], o, error);
            case kVerify: return KxVerifyRsaBlockPKCS(scheme, r[0], r[1], r[2], r[3], error);
            case kUnseal: return KxUnsealRsaBlockPKCS(scheme, r[0], r[1], r[2], r[3], r[4], r[5], r[6], r[7], o, error);
            default: return KxSignRsaBlockPKCS(scheme, r[0], r[1], r[2], r[3], r[4], r[5], r[6], r[7], o, error);
        }
    }
    void Clear() { std::fill(buf.begin(), buf.end(), 0xCC), out.length = 7; }
    bool Untouched() const { return out.length == 7 && buf == Bytes(key.k(), 0xCC); }
};

}  // namespace

// Under the closed gate: null records (and null input / output data) give 99, also with a
// null error location; then the length rule of unseal and verify, the identifier, the gate.
TEST(Pkcs1Exports, DecisionOrder) {
    Exports f;
    const OctetString shortRec{f.fullCt.data(), f.key.k() - 1}, fullRec = f.ct, nullData{nullptr, 5};
    JcmvpErrorStateScope gate;
    uint32_t error = 0;
    for (Export which : {kSeal, kUnseal, kSign, kVerify}) {
        const bool enc = which == kSeal || which == kUnseal;
        const uint32_t good = enc ? 0 : 0x10003, bad = enc ? 0x10003 : 0;
        f.ct = shortRec;
        const std::vector<const OctetString*> records = f.Records(which);
        for (size_t i = 0; i < 2 * records.size(); ++i) {
            const size_t at = i / 2, last = records.size() - 1;  // null data: input and seal / sign output
            if (i % 2 == 1 && (at + 1 < last || (at == last && which == kUnseal))) continue;
            std::vector<const OctetString*> r = records;
            r[at] = i % 2 == 0 ? nullptr : &nullData;
            EXPECT_EQ(f.Call(which, bad, &(error = 0), r), -1);
            EXPECT_EQ(error, 99u) << "export " << which << ", record " << i / 2;
            EXPECT_EQ(f.Call(which, bad, nullptr, r), -1);
        }
        EXPECT_EQ(f.Call(which, bad, &(error = 0)), -1);  // a short input before the identifier
        EXPECT_EQ(error, which == kUnseal ? 547u : which == kVerify ? 549u : 99u);
        f.ct = fullRec;
        EXPECT_EQ(f.Call(which, good, nullptr), -1);
        for (uint32_t s : {0u, 1u, 15u, 16u, 18u, 21u, 22u, 0x10000u, 0x10005u, 0x10006u, 0x1000Fu, 0x10010u, 0x10015u, 0x10016u}) {
            const bool valid = enc ? s == 0 || (s >= 16 && s <= 21) : (s & ~0x10u) >= 0x10000 && (s & ~0x10u) <= 0x10005;
            EXPECT_EQ(f.Call(which, s, &(error = 0)), -1);
            EXPECT_EQ(error, valid ? 546u : 99u) << "export " << which << ", scheme " << s;
        }
    }
    EXPECT_TRUE(f.Untouched());
}

// Limits and format failures give their code over a caller's 62, success gives 0, the raw
// step's 99 comes after the block step; after a 547 the output holds the raw result.
// (117 and 118 bytes of v1.5 at k = 128, the OAEP maxima: test_pkcs1_interop.)
TEST(Pkcs1Exports, CodesOfLimitsAndFormatFailures) {
    Exports f;
    const std::string raw = "02" + std::string(2 * 125, '0') + "42";  // after 00: neither a v1.5 nor an OAEP block
    Bytes notType2 = RawOracle(f.key, FromHex("00" + raw), false), sig = KxSign(0x10003, f.key, f.msg).out;
    const OctetString msg = f.in, bad = Rec(notType2), good = Rec(sig), empty{nullptr, 0}, n0{f.k.n.data, 0},
                      n63{f.k.n.data, 63}, *n = &f.k.n;
    const struct { Export which; uint32_t scheme; const OctetString *modulus, *input; uint32_t code; } CASES[] = {
        {kSeal, 0, n, &msg, 0}, {kSeal, 21, n, &msg, 548}, {kSign, 0x10015, n, &msg, 548}, {kSign, 0x10013, n, &msg, 0},
        {kSeal, 0, &n0, &msg, 548}, {kSeal, 16, &n0, &msg, 548}, {kSign, 0x10000, &n0, &msg, 548}, {kSign, 0x10010, &n0, &msg, 548},
        {kUnseal, 0, n, &bad, 547}, {kUnseal, 18, n, &bad, 547}, {kVerify, 0x10003, n, &bad, 549}, {kVerify, 0x10003, n, &good, 0},
        {kSeal, 0, &n63, &msg, 99}, {kSign, 0x10001, &n63, &msg, 99}, {kUnseal, 0, &n0, &empty, 99}, {kVerify, 0x10003, &n0, &empty, 99},
    };
    for (const auto& c : CASES) {
        SCOPED_TRACE(testing::Message() << "export " << c.which << ", scheme " << c.scheme);
        f.Clear();
        f.n = c.modulus;
        f.in = c.which == kSeal || c.which == kSign ? *c.input : msg;
        f.ct = *c.input;
        uint32_t error = 62;
        EXPECT_EQ(f.Call(c.which, c.scheme, &error), c.code == 0 ? 0 : -1);
        EXPECT_EQ(error, c.code);
        if (c.code == 548 || c.code == 99) EXPECT_TRUE(f.Untouched());
        if (c.which != kVerify && c.code == 0) EXPECT_EQ(f.out.length, f.key.k());
        if (c.code == 547) EXPECT_EQ(ToHex(f.buf.data(), f.out.length), raw);
    }
}

// After a successful unseal the caller's buffer holds the data and zeros up
// to k bytes: nothing of the decrypted block (padding, masked seed and DB).
TEST(Pkcs1Exports, UnsealLeavesNothingOfTheBlockBehindTheData) {
    Exports f;
    f.msg = Pattern(20, 5);  // short enough for every hash but SHA-512 at k = 128
    for (uint32_t scheme : {0u, 16u, 17u, 18u, 19u, 20u}) {
        f.fullCt = KxSeal(scheme, f.key, f.msg).out;
        f.ct = Rec(f.fullCt);
        f.Clear();
        uint32_t error = 62;
        ASSERT_EQ(f.Call(kUnseal, scheme, &error), 0) << scheme;
        EXPECT_EQ(Bytes(f.buf.begin(), f.buf.begin() + f.out.length), f.msg);
        EXPECT_EQ(Bytes(f.buf.begin() + f.out.length, f.buf.end()), Bytes(f.key.k() - f.out.length, 0)) << scheme;
    }
}

// About one result in 256 starts with a zero byte: it still takes k bytes.
TEST(Pkcs1Exports, ResultsWithLeadingZerosStayKBytes) {
    const TestKey& key = KeyOf(512);
    int found = 0;
    for (uint32_t i = 0; i < 4000 && found != 3; ++i) {
        const Bytes m = Pattern(9, i), ct = KxSeal(0, key, m).out, sig = KxSign(0x10003, key, m).out;
        ASSERT_EQ(ct.size() + sig.size(), 2 * key.k());
        if (ct[0] == 0 && (found |= 1)) EXPECT_EQ(KxUnseal(0, key, ct).out, m);
        if (sig[0] == 0 && (found |= 2)) EXPECT_EQ(KxVerify(0x10003, key, sig, m).rc, 0);
    }
    EXPECT_EQ(found, 3);
}

// A failing generator: 548 in the block step (v1.5 padding, OAEP seed, PSS salt), 62 in the
// blinded raw step; a block that cannot be formed (SHA-512 at k = 128) draws nothing. Then
// every allocation fails in turn (blinding repeatable; 512- and 2048-bit keys, the mode off
// and on): -1 with 62, no leak, word arrays cleared, an unseal output untouched or, after
// the raw step, its result.
TEST(Pkcs1FakeRng, GeneratorAndAllocationFailures) {
    KX_REQUIRE_FAKE_RNG();
    Exports f;
    uint32_t error = 0;
    const struct { Export which; uint32_t scheme, failOnCall, code; } CASES[] = {
        {kSeal, 0, 1, 548}, {kSeal, 18, 1, 548}, {kSign, 0x10013, 1, 548}, {kSign, 0x10013, 2, 62},
        {kSign, 0x10003, 1, 62}, {kUnseal, 0, 1, 62}, {kSign, 0x10015, 0, 548}, {kSeal, 21, 0, 548},
    };
    for (const auto& c : CASES) {
        FakeRng().reset(0);
        FakeRng().failOnCall(c.failOnCall);
        EXPECT_EQ(f.Call(c.which, c.scheme, &(error = 0)), -1);
        EXPECT_EQ(error, c.code) << "export " << c.which << ", scheme " << c.scheme << ", call " << c.failOnCall;
        EXPECT_EQ(FakeRng().calls(), c.failOnCall);
    }
    static const char* NAMES[] = {"KxSealRsaBlockPKCS", "KxUnsealRsaBlockPKCS", "KxSignRsaBlockPKCS",
                                  "KxVerifyRsaBlockPKCS"};
    for (int bits : {512, 2048}) {
        Exports g(bits);
        g.msg.resize(20), g.in = Rec(g.msg);
        const uint32_t h = bits == 512 ? KxHashSha1 : KxHashSha256;  // OAEP and PSS fit a 512-bit key with SHA-1
        for (auto [which, scheme] : {std::pair{kSeal, 0u}, {kSeal, 0x10 + h}, {kVerify, 0x10003u}, {kVerify, 0x10010 + h},
                                     {kUnseal, 0u}, {kUnseal, 17u}, {kSign, 0x10003u}, {kSign, 0x10010 + h}}) {
            for (bool modeOn : {false, true}) {
                if (modeOn && bits != 512) continue;  // the mode changes only the gate: once is enough
                const std::string args = std::to_string(bits) + "-bit key, scheme " + std::to_string(scheme) +
                                         (modeOn ? ", mode on" : "");
                SCOPED_TRACE(args);
                JcmvpModeOnScope mode(modeOn);
                g.fullCt = which == kUnseal ? KxSeal(scheme, g.key, g.msg).out : KxSign(scheme, g.key, g.msg).out;
                g.ct = Rec(g.fullCt);  // the ciphertext or signature (none for seal)
                Bytes raw = RawOracle(g.key, g.fullCt, true);  // as an unseal output holds it: minimal
                raw.erase(raw.begin(), std::find_if(raw.begin(), raw.end(), [](uint8_t b) { return b != 0; }));
                FakeRng().reset(1);
                HeapTestReset(0);
                ASSERT_EQ(g.Call(which, scheme, &error), 0);
                const uint64_t total = HeapTestAllocations();
                const std::vector<uint64_t> points = FailurePoints(total);
                bool keptRaw = false;
                for (uint64_t n : points) {
                    if (testing::Test::HasFailure()) break;
                    SCOPED_TRACE(testing::Message() << "allocation " << n << " of " << total << " fails");
                    g.Clear();
                    FakeRng().reset(1);
                    HeapTestReset(n);
                    const int32_t rc = g.Call(which, scheme, &(error = 0));
                    EXPECT_EQ(HeapTestLive(), 0);
                    EXPECT_EQ(HeapTestUnclearedReleases(), 0u);
                    HeapTestReset(0);
                    EXPECT_EQ(rc, -1);
                    EXPECT_EQ(error, 62u);
                    keptRaw = which == kUnseal && ToHex(g.buf.data(), g.out.length) == ToHex(raw);
                    if (which == kUnseal && !keptRaw) EXPECT_TRUE(g.Untouched());
                }
                if (which == kUnseal) EXPECT_TRUE(keptRaw);  // the decoder's own last allocation
                ReportFailurePoints(NAMES[which], args, points.size(), total);
            }
        }
    }
}

// Exact blocks: zero bytes of the v1.5 padding become 0xFF; the OAEP seed and
// the PSS salt are the scripted bytes, zero bytes kept.
TEST(Pkcs1FakeRng, ScriptedBytesMakeExactBlocks) {
    KX_REQUIRE_FAKE_RNG();
    const TestKey& key = KeyOf(1024);
    auto script = [](const Bytes& s) { FakeRng().reset(0), FakeRng().script(s.data(), static_cast<uint32_t>(s.size())); };
    Bytes data = Pattern(20, 3), ps = Pattern(key.k() - 23, 4);
    for (size_t i = 0; i < ps.size(); i += 7) ps[i] = 0x00;
    script(ps);
    Bytes em = RawOracle(key, KxSeal(0, key, data).out, true);
    EXPECT_EQ(FakeRng().calls(), 1u);
    std::replace(ps.begin(), ps.end(), uint8_t{0x00}, uint8_t{0xFF});
    EXPECT_EQ(ToHex(em), "0002" + ToHex(ps) + "00" + ToHex(data));
    for (uint32_t h = KxHashMd2; h <= KxHashSha384; ++h) {
        SCOPED_TRACE(h);
        const uint32_t hLen = HashLengthOf(h), dbLen = key.k() - hLen - 1;
        Bytes seed = Pattern(hLen, 100 + h);
        seed[0] = 0x00;
        script(seed);
        em = RawOracle(key, KxSeal(KxSchemeOaep + h, key, data).out, true);  // 00 || maskedSeed || maskedDB
        EXPECT_EQ(FakeRng().calls(), 1u);
        ASSERT_EQ(em.size(), key.k());
        EXPECT_EQ(Unmask(h, Bytes(em.begin() + 1, em.begin() + 1 + hLen), Bytes(em.begin() + 1 + hLen, em.end())), seed);
        script(seed);
        em = RawOracle(key, KxSign(KxSchemePss + h, key, data).out, false);  // maskedDB || H || BC
        EXPECT_EQ(FakeRng().calls(), 2u);  // the salt, then the blinding factor
        ASSERT_EQ(em.size(), key.k());
        Bytes db = Unmask(h, Bytes(em.begin(), em.begin() + dbLen), Bytes(em.begin() + dbLen, em.end() - 1));
        db[0] &= 0x7F;
        EXPECT_EQ(ToHex(db), std::string(2 * (dbLen - hLen - 1), '0') + "01" + ToHex(seed));  // DB = 00..00 01 salt
    }
}
