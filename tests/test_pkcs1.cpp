// The PKCS #1 layer from the inside: block limits, the exports' order of checks,
// codes and outputs, allocation failures, blocks under the scripted generator.
#include <gtest/gtest.h>

#include <functional>
#include <tuple>

#include "fakes/fake_rng.h"
#include "gate_scope.h"
#include "heap.h"
#include "pkcs1.h"
#include "test_support.h"

namespace {

// Block-level calls on k-byte buffers.
int32_t Encode(uint32_t scheme, const Bytes& input, Bytes* block, uint32_t k) {
    block->assign(k, 0xA5);
    OctetString modulus{nullptr, k}, in = Rec(input), out{block->data(), k};
    uint32_t error = 0;
    return EncodeBlock(scheme, &modulus, &in, &out, &error);
}
// Decodes the block and expects `data` (encryption), or verifies it against `data`.
int32_t Check(uint32_t scheme, const Bytes& block, const Bytes& data) {
    Bytes out(block.size());
    OctetString modulus{nullptr, static_cast<uint32_t>(block.size())}, in = Rec(block), m = Rec(data), o = Rec(out);
    uint32_t error = 0;
    if (!IsEncryptionScheme(scheme)) return VerifyBlock(scheme, &modulus, &in, &m, &error);
    const int32_t rc = DecodeBlock(scheme, &modulus, &in, &o, &error);
    if (rc == kBlockOk) EXPECT_EQ(Bytes(out.begin(), out.begin() + o.length), data);
    return rc;
}

// `data` xor MGF1(seed) under hash h.
Bytes Unmask(uint32_t h, Bytes data, const Bytes& seed) {
    Bytes mask(data.size());
    uint32_t error = 0;
    EXPECT_EQ(Mgf1(KxSchemeOaep + h, static_cast<uint32_t>(seed.size()), seed.data(),
                   static_cast<uint32_t>(mask.size()), mask.data(), &error), kBlockOk);
    for (size_t i = 0; i < data.size(); ++i) data[i] ^= mask[i];
    return data;
}

}  // namespace

// Each scheme's smallest modulus and largest data; blocks at the limits decode or
// verify; no changed bit, message or hash verifies.
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
            EXPECT_EQ(Encode(scheme, {}, &block, 0), kBlockFailed);
            for (uint32_t k : {minK, 128u, 256u}) {
                if (k < minK) continue;
                Bytes data = enc ? Pattern(k - minK, k) : msg;
                ASSERT_EQ(Encode(scheme, data, &block, k), kBlockOk) << k;
                EXPECT_EQ(block[0] & 0x80, 0);
                EXPECT_EQ(Check(scheme, block, data), kBlockOk);
                if (enc) EXPECT_EQ(Encode(scheme, Pattern(k - minK + 1, k), &block, k), kBlockFailed);
                if (enc || k != 128) continue;
                EXPECT_EQ(Check(scheme, block, Pattern(33, 8)), kBlockFailed);
                EXPECT_EQ(Check((scheme & ~0xFu) + (h + 1) % 6, block, msg), kBlockFailed);
                for (size_t i = 0; i < 2 * k; ++i) {
                    Bytes bad = block;
                    bad[i / 2] ^= i % 2 ? 0x80 : 0x01;
                    ASSERT_EQ(Check(scheme, bad, msg), kBlockFailed) << i / 2;
                }
            }
        }
    }
}

namespace {

enum Export { kSeal, kUnseal, kSign, kVerify };

// The four exports on a 1024-bit key, over records a test may replace.
struct Exports {
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
    bool Untouched() const { return out.length == 7 && buf == Bytes(key.k(), 0xCC); }
};

}  // namespace

// Null records (and null input / output data), even under the closed gate, then a null
// error location, the length rule of unseal and verify, the identifier, the gate.
TEST(Pkcs1Exports, DecisionOrder) {
    Exports f;
    Bytes shortCt(f.key.k() - 1, 1);
    const OctetString shortRec = Rec(shortCt), fullRec = f.ct, nullData{nullptr, 5};
    const uint32_t BAD_ID[] = {0x10001, 0x10000, 18, 0}, GOOD_ID[] = {0, 0, 0x10003, 0x10003};
    JcmvpErrorStateScope gate;
    for (Export which : {kSeal, kUnseal, kSign, kVerify}) {
        f.ct = shortRec;
        const std::vector<const OctetString*> records = f.Records(which);
        for (size_t i = 0; i < 2 * records.size(); ++i) {
            const size_t at = i / 2, last = records.size() - 1;  // null data: input and seal / sign output
            if (i % 2 == 1 && (at + 1 < last || (at == last && which == kUnseal))) continue;
            std::vector<const OctetString*> r = records;
            r[at] = i % 2 == 0 ? nullptr : &nullData;
            uint32_t error = 0;
            EXPECT_EQ(f.Call(which, BAD_ID[which], &error, r), -1);
            EXPECT_EQ(error, 99u) << "export " << which << ", record " << i / 2;
            EXPECT_EQ(f.Call(which, BAD_ID[which], nullptr, r), -1);
        }
        f.ct = fullRec;
        EXPECT_EQ(f.Call(which, GOOD_ID[which], nullptr), -1);
    }
    const std::vector<uint32_t> NOT_ENC = {1, 15, 22, 0x10000, 0x10010}, ENC = {0, 16, 21},
                                NOT_SIG = {0, 18, 0x10006, 0x1000F, 0x10016}, SIG = {0x10000, 0x10005, 0x10010, 0x10015};
    const struct { Export which; const std::vector<uint32_t>& schemes; bool shortInput; uint32_t code; } RULES[] = {
        {kUnseal, {0x10000}, true, 547}, {kVerify, {0}, true, 549},      // length before identifier
        {kSeal, NOT_ENC, false, 99},     {kUnseal, NOT_ENC, false, 99},  // identifier before gate
        {kSign, NOT_SIG, false, 99},     {kVerify, NOT_SIG, false, 99},
        {kSeal, ENC, false, 546},        {kUnseal, ENC, false, 546},
        {kSign, SIG, false, 546},        {kVerify, SIG, false, 546},
    };
    for (const auto& rule : RULES) {
        for (uint32_t scheme : rule.schemes) {
            f.ct = rule.shortInput ? shortRec : fullRec;
            uint32_t error = 0;
            EXPECT_EQ(f.Call(rule.which, scheme, &error), -1);
            EXPECT_EQ(error, rule.code) << "export " << rule.which << ", scheme " << scheme;
        }
    }
    EXPECT_TRUE(f.Untouched());
}

// Limits and format failures give their code over a caller's 62, success gives 0, the raw
// step's 99 comes after the block step; after a 547 the output holds the raw result.
TEST(Pkcs1Exports, CodesOfLimitsAndFormatFailures) {
    Exports f;
    Bytes d117 = Pattern(117, 1), d118 = Pattern(118, 1), block(f.key.k(), 0x00);
    block[1] = 0x02;  // 00 02 then zeros: neither a v1.5 nor an OAEP block
    block.back() = 0x42;
    Bytes notType2 = OsslRaw(f.key, block, false), sig = KxSign(0x10003, f.key, f.msg).out;
    const OctetString msg = f.in, in117 = Rec(d117), in118 = Rec(d118), bad = Rec(notType2), good = Rec(sig),
                      empty{nullptr, 0}, n0{f.k.n.data, 0}, n63{f.k.n.data, 63}, *n = &f.k.n;
    const struct { Export which; uint32_t scheme; const OctetString *modulus, *input; uint32_t code; } CASES[] = {
        {kSeal, 0, n, &in117, 0},         {kSeal, 0, n, &in118, 548},      {kSeal, 0, n, &empty, 0},
        {kSeal, 21, n, &msg, 548},        {kSign, 0x10015, n, &msg, 548},  {kSign, 0x10013, n, &msg, 0},
        {kSeal, 0, &n0, &msg, 548},       {kSeal, 16, &n0, &msg, 548},     {kSign, 0x10000, &n0, &msg, 548},
        {kSign, 0x10010, &n0, &msg, 548}, {kUnseal, 0, n, &bad, 547},      {kUnseal, 18, n, &bad, 547},
        {kVerify, 0x10003, n, &bad, 549}, {kVerify, 0x10003, n, &good, 0}, {kSeal, 0, &n63, &msg, 99},
        {kSign, 0x10001, &n63, &msg, 99}, {kUnseal, 0, &n0, &empty, 99},   {kVerify, 0x10003, &n0, &empty, 99},
    };
    for (const auto& c : CASES) {
        SCOPED_TRACE(testing::Message() << "export " << c.which << ", scheme " << c.scheme);
        std::fill(f.buf.begin(), f.buf.end(), 0xCC);
        f.out.length = 7;
        f.n = c.modulus;
        f.in = c.which == kSeal || c.which == kSign ? *c.input : msg;
        f.ct = *c.input;
        uint32_t error = 62;
        EXPECT_EQ(f.Call(c.which, c.scheme, &error), c.code == 0 ? 0 : -1);
        EXPECT_EQ(error, c.code);
        if (c.code == 548 || c.code == 99) EXPECT_TRUE(f.Untouched());
        if (c.which != kVerify && c.code == 0) EXPECT_EQ(f.out.length, f.key.k());
        if (c.code == 547) EXPECT_EQ(ToHex(f.buf.data(), f.out.length), ToHex(block.data() + 1, block.size() - 1));
    }
}

// About one result in 256 starts with a zero byte: it still takes k bytes.
TEST(Pkcs1Exports, ResultsWithLeadingZerosStayKBytes) {
    const TestKey& key = KeyOf(512);
    int found = 0;
    for (uint32_t i = 0; i < 4000 && found != 3; ++i) {
        KxResult ct = KxSeal(0, key, Pattern(9, i)), sig = KxSign(0x10003, key, Pattern(9, i));
        ASSERT_EQ(ct.out.size() + sig.out.size(), 2 * key.k());
        if (ct.out[0] == 0 && (found |= 1)) EXPECT_EQ(KxUnseal(0, key, ct.out).out, Pattern(9, i));
        if (sig.out[0] == 0 && (found |= 2)) EXPECT_EQ(KxVerify(0x10003, key, sig.out, Pattern(9, i)).rc, 0);
    }
    EXPECT_EQ(found, 3);
}

// Every allocation of the exports fails once (blinding repeatable; all of the first and last
// 40, a sample between): -1 with 62, no leak, word arrays cleared, an unseal output
// untouched or, after the raw step, its result.
TEST(Pkcs1FakeRng, AllocationFailureAtEveryPoint) {
    KX_REQUIRE_FAKE_RNG();
    const TestKey& key = KeyOf(768);  // room for SHA-256 in every scheme
    const Bytes msg = Pattern(30, 12), v15Ct = KxSeal(0, key, msg).out, oaepCt = KxSeal(17, key, msg).out,
                v15Sig = KxSign(0x10003, key, msg).out, pssSig = KxSign(0x10013, key, msg).out;
    auto unseal = [&](uint32_t scheme, const Bytes& ct) {  // into k bytes of 0xCC, length 3
        KxResult r{0, 0, Bytes(key.k(), 0xCC)};
        PrivateRecords k(key);
        OctetString in = Rec(ct), out{r.out.data(), 3};
        r.rc = KxUnsealRsaBlockPKCS(scheme, &k.d, &k.n, &k.p, &k.q, &k.dP, &k.dQ, &k.qInv, &in, &out, &r.error);
        r.out.resize(out.length);
        return r;
    };
    auto minimalRaw = [&](const Bytes& ct) {
        Bytes raw = OsslRaw(key, ct, true);
        return Bytes(std::find_if(raw.begin(), raw.end(), [](uint8_t b) { return b != 0; }), raw.end());
    };
    const Bytes rawV15 = minimalRaw(v15Ct), rawOaep = minimalRaw(oaepCt);
    const std::tuple<const char*, std::function<KxResult()>, const Bytes*> CASES[] = {
        {"seal v1.5", [&] { return KxSeal(0, key, msg); }, nullptr},
        {"seal OAEP", [&] { return KxSeal(19, key, msg); }, nullptr},
        {"verify v1.5", [&] { return KxVerify(0x10003, key, v15Sig, msg); }, nullptr},
        {"verify PSS", [&] { return KxVerify(0x10013, key, pssSig, msg); }, nullptr},
        {"unseal v1.5", [&] { return unseal(0, v15Ct); }, &rawV15},
        {"unseal OAEP", [&] { return unseal(17, oaepCt); }, &rawOaep},
        {"sign v1.5", [&] { return KxSign(0x10003, key, msg); }, nullptr},
        {"sign PSS", [&] { return KxSign(0x10013, key, msg); }, nullptr},
    };
    for (const auto& [name, run, raw] : CASES) {
        SCOPED_TRACE(name);
        FakeRng().reset(1);
        HeapTestReset(0);
        ASSERT_EQ(run().rc, 0);
        const uint64_t total = HeapTestAllocations();
        bool keptRaw = false;
        for (uint64_t n = 1; n <= total && !testing::Test::HasFailure(); n += n >= 40 && n + 40 < total ? 11 : 1) {
            SCOPED_TRACE(testing::Message() << "allocation " << n << " of " << total << " fails");
            FakeRng().reset(1);
            HeapTestReset(n);
            KxResult r = run();
            EXPECT_EQ(HeapTestLive(), 0);
            EXPECT_EQ(HeapTestUnclearedReleases(), 0u);
            HeapTestReset(0);
            EXPECT_EQ(r.rc, -1);
            EXPECT_EQ(r.error, 62u);
            keptRaw = raw != nullptr && r.out == *raw;
            if (raw != nullptr && !keptRaw) EXPECT_EQ(r.out, Bytes(3, 0xCC));
        }
        if (raw != nullptr) EXPECT_TRUE(keptRaw);  // the decoder's own last allocation
    }
}

// Exact blocks: zero bytes of the v1.5 padding become 0xFF; the OAEP seed and
// the PSS salt are the scripted bytes, zero bytes kept.
TEST(Pkcs1FakeRng, ScriptedBytesMakeExactBlocks) {
    KX_REQUIRE_FAKE_RNG();
    const TestKey& key = KeyOf(1024);
    Bytes data = Pattern(20, 3), ps = Pattern(key.k() - 23, 4), block = {0x00, 0x02};
    for (size_t i = 0; i < ps.size(); i += 7) ps[i] = 0x00;
    FakeRng().script(ps.data(), static_cast<uint32_t>(ps.size()));
    KxResult ct = KxSeal(0, key, data);
    EXPECT_EQ(FakeRng().calls(), 1u);
    for (uint8_t b : ps) block.push_back(b == 0 ? 0xFF : b);
    block.push_back(0x00);
    block.insert(block.end(), data.begin(), data.end());
    EXPECT_EQ(ToHex(OsslRaw(key, ct.out, true)), ToHex(block));
    for (uint32_t h = KxHashMd2; h <= KxHashSha384; ++h) {
        SCOPED_TRACE(h);
        const uint32_t hLen = HashLengthOf(h), dbLen = key.k() - hLen - 1;
        Bytes seed = Pattern(hLen, 100 + h), want(dbLen - hLen - 1, 0x00);
        seed[0] = 0x00;
        FakeRng().reset(0);
        FakeRng().script(seed.data(), hLen);
        Bytes em = OsslRaw(key, KxSeal(KxSchemeOaep + h, key, data).out, true);  // 00 || maskedSeed || maskedDB
        EXPECT_EQ(FakeRng().calls(), 1u);
        ASSERT_EQ(em.size(), key.k());
        EXPECT_EQ(Unmask(h, Bytes(em.begin() + 1, em.begin() + 1 + hLen), Bytes(em.begin() + 1 + hLen, em.end())), seed);
        FakeRng().reset(0);
        FakeRng().script(seed.data(), hLen);
        em = OsslRaw(key, KxSign(KxSchemePss + h, key, data).out, false);  // maskedDB || H || BC
        EXPECT_EQ(FakeRng().calls(), 2u);  // the salt, then the blinding factor
        ASSERT_EQ(em.size(), key.k());
        Bytes db = Unmask(h, Bytes(em.begin(), em.begin() + dbLen), Bytes(em.begin() + dbLen, em.end() - 1));
        db[0] &= 0x7F;
        want.push_back(0x01);
        want.insert(want.end(), seed.begin(), seed.end());
        EXPECT_EQ(ToHex(db), ToHex(want));  // DB = 00..00 01 salt
    }
}

// A failing generator: 548 in the block step, 62 in the blinded raw step; a block
// that cannot be formed draws nothing.
TEST(Pkcs1FakeRng, FailingGeneratorGives548InTheBlockStepAnd62InTheRawStep) {
    KX_REQUIRE_FAKE_RNG();
    const TestKey& key = KeyOf(1024);
    Bytes msg = Pattern(16, 8), ct = KxSeal(0, key, msg).out;
    const struct { const char* name; uint32_t failOnCall; std::function<KxResult()> run; uint32_t code; } CASES[] = {
        {"seal v1.5: the padding", 1, [&] { return KxSeal(0, key, msg); }, 548},
        {"seal OAEP: the seed", 1, [&] { return KxSeal(18, key, msg); }, 548},
        {"sign PSS: the salt", 1, [&] { return KxSign(0x10013, key, msg); }, 548},
        {"sign PSS: the blinding", 2, [&] { return KxSign(0x10013, key, msg); }, 62},
        {"sign v1.5: the blinding", 1, [&] { return KxSign(0x10003, key, msg); }, 62},
        {"unseal: the blinding", 1, [&] { return KxUnseal(0, key, ct); }, 62},
        {"sign PSS SHA-512 at k = 128", 0, [&] { return KxSign(0x10015, key, msg); }, 548},
        {"seal OAEP SHA-512 at k = 128", 0, [&] { return KxSeal(21, key, msg); }, 548},
    };
    for (const auto& c : CASES) {
        SCOPED_TRACE(c.name);
        FakeRng().reset(0);
        FakeRng().failOnCall(c.failOnCall);
        KxResult r = c.run();
        EXPECT_EQ(r.rc, -1);
        EXPECT_EQ(r.error, c.code);
        EXPECT_EQ(FakeRng().calls(), c.failOnCall);
    }
}
