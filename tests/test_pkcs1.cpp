// The PKCS #1 layer from the inside: scheme table, digests and MGF1 against
// OpenSSL, the four block formats with their limits and rejections, exact
// blocks under the scripted generator, and the exports' order of checks,
// error codes, outputs after failure and allocation failure at every point.
#define OPENSSL_SUPPRESS_DEPRECATED  // the low-level OAEP / MGF1 helpers are the oracle
#include <gtest/gtest.h>
#include <openssl/rsa.h>

#include <cstring>
#include <functional>

#include "fakes/fake_rng.h"
#include "frame.h"
#include "heap.h"
#include "pkcs1.h"
#include "pkcs1_test_keys.h"

using namespace pkcs1test;

namespace {

constexpr uint32_t kV15 = KxSchemeV15Encryption;
uint32_t Oaep(uint32_t h) { return KxSchemeOaep + h; }
uint32_t V15Sig(uint32_t h) { return KxSchemeV15Signature + h; }
uint32_t Pss(uint32_t h) { return KxSchemePss + h; }

// An OpenSSL MGF1 for comparison (hashes of the default provider only).
Bytes OsslMgf1(uint32_t h, const Bytes& seed, size_t length) {
    Bytes mask(length + 1);
    EXPECT_EQ(PKCS1_MGF1(mask.data(), static_cast<long>(length), seed.data(),
                         static_cast<long>(seed.size()), MdOf(h)), 0);
    mask.resize(length);
    return mask;
}

Bytes Digest(uint32_t h, const Bytes& in) {
    Bytes out(HashLengthOf(h));
    uint32_t error = 0;
    EXPECT_NE(SchemeDigest(Oaep(h), static_cast<uint32_t>(in.size()), in.data(), out.data(), &error), -1);
    return out;
}

// Block-level calls on k-byte buffers.
int32_t Encode(uint32_t scheme, const Bytes& input, Bytes* block, uint32_t k, uint32_t* error) {
    block->assign(k, 0xA5);
    OctetString modulus{nullptr, k}, in = Rec(input), out{block->data(), k};
    return EncodeBlock(scheme, &modulus, &in, &out, error);
}
int32_t Decode(uint32_t scheme, const Bytes& block, Bytes* data, uint32_t capacity) {
    const uint32_t k = static_cast<uint32_t>(block.size());
    data->assign(k > capacity ? k : capacity, 0x5A);
    OctetString modulus{nullptr, k}, in = Rec(block), out{data->data(), capacity};
    uint32_t error = 0;
    int32_t rc = DecodeBlock(scheme, &modulus, &in, &out, &error);
    data->resize(rc == kBlockOk ? out.length : 0);
    return rc;
}
int32_t Verify(uint32_t scheme, const Bytes& block, const Bytes& message) {
    OctetString modulus{nullptr, static_cast<uint32_t>(block.size())}, in = Rec(block),
        m = Rec(message);
    uint32_t error = 0;
    return VerifyBlock(scheme, &modulus, &in, &m, &error);
}

// The entry gate closed for the life of the scope, with the mode state
// pointed at a stand-in status library that reports the error status.
struct ClosedGate {
    ClosedGate() : saved(g_jcmvp) {
        static int library;
        g_jcmvp.library = &library;
        g_jcmvp.getFamilyStatus = [] { return int32_t{4}; };
    }
    ~ClosedGate() { g_jcmvp = saved; }
    JcmvpModeState saved;
};

}  // namespace

// ---------------------------------------------------------------------------
// Scheme identifiers, digests, MGF1
// ---------------------------------------------------------------------------

TEST(Pkcs1Scheme, IdentifiersAndHashLengths) {
    const struct {
        uint32_t scheme, hLen;
        bool encryption, signature;
    } CASES[] = {
        {0, 0, true, false},          {16, 16, true, false},        {17, 16, true, false},
        {18, 20, true, false},        {19, 32, true, false},        {20, 48, true, false},
        {21, 64, true, false},        {22, 0, false, false},        {1, 0, false, false},
        {15, 0, false, false},        {0x10000, 16, false, true},   {0x10002, 20, false, true},
        {0x10005, 64, false, true},   {0x10006, 0, false, false},   {0x1000F, 0, false, false},
        {0x10010, 16, false, true},   {0x10012, 20, false, true},   {0x10015, 64, false, true},
        {0x10016, 0, false, false},   {0x20000, 0, false, false},   {0xFFFFFFFF, 0, false, false},
    };
    for (const auto& c : CASES) {
        SCOPED_TRACE(c.scheme);
        EXPECT_EQ(SchemeHashLength(c.scheme), c.hLen);
        EXPECT_EQ(IsEncryptionScheme(c.scheme), c.encryption);
        EXPECT_EQ(IsSignatureScheme(c.scheme), c.signature);
    }
}

TEST(Pkcs1Scheme, DigestsMatchKnownAnswersAndOpenSsl) {
    // MD2 is not in OpenSSL's default provider: RFC 1319 A.5 answers.
    EXPECT_EQ(ToHex(Digest(KxHashMd2, {})), "8350e5a3e24c153df2275c9f80692773");
    EXPECT_EQ(ToHex(Digest(KxHashMd2, {'a', 'b', 'c'})), "da853b0d3f88d99b30283a69e6ded6bb");
    // A null pointer of length 0 is the empty string.
    uint8_t out[16];
    uint32_t error = 0;
    EXPECT_NE(SchemeDigest(V15Sig(KxHashMd2), 0, nullptr, out, &error), -1);
    EXPECT_EQ(ToHex(Bytes(out, out + 16)), "8350e5a3e24c153df2275c9f80692773");
    for (uint32_t h = KxHashMd5; h <= KxHashSha512; ++h) {
        for (size_t length : {0, 1, 55, 56, 64, 200}) {
            Bytes in = Pattern(length, h), want(EVP_MAX_MD_SIZE);
            unsigned int wantLen = 0;
            ASSERT_EQ(EVP_Digest(in.data(), in.size(), want.data(), &wantLen, MdOf(h), nullptr), 1);
            want.resize(wantLen);
            EXPECT_EQ(Digest(h, in), want) << h << " " << length;
        }
    }
}

TEST(Pkcs1Mgf1, MatchesOpenSslForEveryLengthClass) {
    for (uint32_t h = KxHashMd5; h <= KxHashSha512; ++h) {
        const uint32_t hLen = HashLengthOf(h);
        for (size_t seedLen : {0, 20, 97}) {
            Bytes seed = Pattern(seedLen, 7 * h + 1);
            for (uint32_t maskLen : {0u, 1u, hLen - 1, hLen, hLen + 1, 2 * hLen + 1, 300u}) {
                SCOPED_TRACE(testing::Message() << h << " " << seedLen << " " << maskLen);
                Bytes mask(maskLen + 1, 0x77);
                uint32_t error = 0;
                ASSERT_EQ(Mgf1(Pss(h), static_cast<uint32_t>(seedLen), seed.data(), maskLen,
                               mask.data(), &error),
                          kBlockOk);
                EXPECT_EQ(mask[maskLen], 0x77);  // nothing past the mask
                mask.resize(maskLen);
                EXPECT_EQ(mask, OsslMgf1(h, seed, maskLen));
            }
        }
    }
}

TEST(Pkcs1Mgf1, MaskMayOverwriteItsSeed) {
    Bytes buffer = Pattern(64, 3), seed = buffer;
    uint32_t error = 0;
    ASSERT_EQ(Mgf1(Oaep(KxHashSha256), 64, buffer.data(), 64, buffer.data(), &error), kBlockOk);
    EXPECT_EQ(buffer, OsslMgf1(KxHashSha256, seed, 64));
}

TEST(Pkcs1AllocBytes, ZeroBytesSucceedAndFailureStores62) {
    uint8_t* bytes = nullptr;
    uint32_t error = 0;
    {
        BytesRelease release{&bytes};
        ASSERT_EQ(AllocBytes(&bytes, 0, &error), 0);
        EXPECT_NE(bytes, nullptr);
        EXPECT_EQ(error, 0u);
    }
    EXPECT_EQ(bytes, nullptr);
    HeapTestReset(1);
    EXPECT_EQ(AllocBytes(&bytes, 10, &error), -1);
    EXPECT_EQ(error, 62u);
    EXPECT_EQ(bytes, nullptr);
    HeapTestReset(0);
}

// ---------------------------------------------------------------------------
// v1.5 encryption blocks
// ---------------------------------------------------------------------------

TEST(Pkcs1V15Encryption, LengthLimitAndLayout) {
    uint32_t error = 0;
    Bytes block;
    for (uint32_t k : {11u, 64u, 128u, 256u}) {
        for (uint32_t mLen : {0u, 1u, k - 12, k - 11}) {
            if (mLen > k - 11) continue;
            Bytes data = Pattern(mLen, k);
            ASSERT_EQ(Encode(kV15, data, &block, k, &error), kBlockOk) << k << " " << mLen;
            EXPECT_EQ(block[0], 0x00);
            EXPECT_EQ(block[1], 0x02);
            for (uint32_t i = 2; i < k - mLen - 1; ++i) ASSERT_NE(block[i], 0x00) << i;
            EXPECT_EQ(block[k - mLen - 1], 0x00);
            EXPECT_TRUE(std::equal(data.begin(), data.end(), block.end() - mLen));
            Bytes back;
            ASSERT_EQ(Decode(kV15, block, &back, k), kBlockOk);
            EXPECT_EQ(back, data);
        }
        EXPECT_EQ(Encode(kV15, Pattern(k - 10, 1), &block, k, &error), kBlockFailed) << k;
    }
    // k = 128: 117 bytes fit, 118 do not; a modulus below 11 bytes takes nothing.
    EXPECT_EQ(Encode(kV15, Pattern(117, 1), &block, 128, &error), kBlockOk);
    EXPECT_EQ(Encode(kV15, Pattern(118, 1), &block, 128, &error), kBlockFailed);
    EXPECT_EQ(Encode(kV15, {}, &block, 10, &error), kBlockFailed);
    EXPECT_EQ(Encode(kV15, {}, &block, 0, &error), kBlockFailed);
    // The block's capacity must be k.
    Bytes small(99), three = {1, 2, 3};
    OctetString in = Rec(three), out{small.data(), 99};
    EXPECT_EQ(EncodeV15Encryption(0, &in, &out, 100, &error), kBlockFailed);
    // Two encodings differ (random padding).
    Bytes other;
    Encode(kV15, Pattern(20, 2), &block, 128, &error);
    Encode(kV15, Pattern(20, 2), &other, 128, &error);
    EXPECT_NE(block, other);
}

TEST(Pkcs1V15Encryption, DecodeRejections) {
    const uint32_t k = 64;
    // 00 02, psLen non-zero bytes, 00, data.
    auto make = [&](uint32_t psLen) {
        Bytes b(k, 0x11);
        b[0] = 0x00;
        b[1] = 0x02;
        b[2 + psLen] = 0x00;
        return b;
    };
    Bytes out;
    EXPECT_EQ(Decode(kV15, make(8), &out, k), kBlockOk);
    EXPECT_EQ(out.size(), k - 11);
    EXPECT_EQ(Decode(kV15, make(7), &out, k), kBlockFailed);
    EXPECT_EQ(Decode(kV15, make(k - 3), &out, k), kBlockOk);  // the only 00 is the last byte
    EXPECT_TRUE(out.empty());
    Bytes noSeparator(k, 0x11);
    noSeparator[0] = 0;
    noSeparator[1] = 2;
    EXPECT_EQ(Decode(kV15, noSeparator, &out, k), kBlockFailed);
    Bytes b = make(8);
    b[0] = 0x01;
    EXPECT_EQ(Decode(kV15, b, &out, k), kBlockFailed);
    b = make(8);
    b[1] = 0x01;  // block type 1
    EXPECT_EQ(Decode(kV15, b, &out, k), kBlockFailed);
    // The output's capacity must take k - 11 bytes however short the data.
    EXPECT_EQ(Decode(kV15, make(k - 3), &out, k - 12), kBlockFailed);
    EXPECT_EQ(Decode(kV15, make(k - 3), &out, k - 11), kBlockOk);
    // A failed decoding writes nothing.
    Bytes data(k, 0x5A), shortPadding = make(7);
    OctetString in = Rec(shortPadding), o{data.data(), k};
    uint32_t error = 0;
    EXPECT_EQ(DecodeV15Encryption(0, &in, &o, k, &error), kBlockFailed);
    EXPECT_EQ(data, Bytes(k, 0x5A));
    EXPECT_EQ(o.length, k);
}

// ---------------------------------------------------------------------------
// OAEP blocks
// ---------------------------------------------------------------------------

TEST(Pkcs1Oaep, LimitsRoundTripAndOpenSslParse) {
    uint32_t error = 0;
    for (uint32_t h = KxHashMd2; h <= KxHashSha512; ++h) {
        const uint32_t hLen = HashLengthOf(h);
        for (uint32_t k : {64u, 128u, 256u}) {
            SCOPED_TRACE(testing::Message() << "hash " << h << " k " << k);
            Bytes block;
            if (k < 2 * hLen + 2) {
                EXPECT_EQ(Encode(Oaep(h), {}, &block, k, &error), kBlockFailed);
                Bytes out;
                EXPECT_EQ(Decode(Oaep(h), Bytes(k, 0), &out, k), kBlockFailed);
                continue;
            }
            const uint32_t maxLen = k - 2 * hLen - 2;
            EXPECT_EQ(Encode(Oaep(h), Pattern(maxLen + 1, h), &block, k, &error), kBlockFailed);
            for (uint32_t mLen : {0u, 1u, maxLen}) {
                Bytes data = Pattern(mLen, k + h), out;
                ASSERT_EQ(Encode(Oaep(h), data, &block, k, &error), kBlockOk);
                EXPECT_EQ(block[0], 0x00);
                ASSERT_EQ(Decode(Oaep(h), block, &out, k), kBlockOk);
                EXPECT_EQ(out, data);
                if (MdOf(h) == nullptr) continue;
                Bytes parsed(k);
                int n = RSA_padding_check_PKCS1_OAEP_mgf1(parsed.data(), k, block.data() + 1, k - 1,
                                                          k, nullptr, 0, MdOf(h), MdOf(h));
                ASSERT_EQ(n, static_cast<int>(mLen));
                parsed.resize(n);
                EXPECT_EQ(parsed, data);
            }
        }
    }
}

TEST(Pkcs1Oaep, DecodeRejectsEveryMalformedPart) {
    const uint32_t h = KxHashSha1, hLen = 20, k = 128, dbLen = k - hLen - 1;
    uint32_t error = 0;
    Bytes block, out;
    ASSERT_EQ(Encode(Oaep(h), Pattern(10, 1), &block, k, &error), kBlockOk);
    // Unmask to reach DB, tamper, and mask again (seed kept).
    Bytes seed(block.begin() + 1, block.begin() + 1 + hLen), maskedDb(block.begin() + 1 + hLen, block.end());
    Bytes seedMask = OsslMgf1(h, maskedDb, hLen);
    for (uint32_t i = 0; i < hLen; ++i) seed[i] ^= seedMask[i];
    Bytes dbMask = OsslMgf1(h, seed, dbLen), db = maskedDb;
    for (uint32_t i = 0; i < dbLen; ++i) db[i] ^= dbMask[i];
    auto rebuild = [&](const Bytes& newDb) {
        Bytes b(k, 0), md = newDb;
        for (uint32_t i = 0; i < dbLen; ++i) md[i] ^= dbMask[i];
        Bytes sm = OsslMgf1(h, md, hLen);
        for (uint32_t i = 0; i < hLen; ++i) b[1 + i] = seed[i] ^ sm[i];
        std::copy(md.begin(), md.end(), b.begin() + 1 + hLen);
        return b;
    };
    ASSERT_EQ(Decode(Oaep(h), rebuild(db), &out, k), kBlockOk);
    Bytes bad = block;
    bad[0] = 0x01;
    EXPECT_EQ(Decode(Oaep(h), bad, &out, k), kBlockFailed);
    bad = db;
    bad[3] ^= 0x40;  // lHash
    EXPECT_EQ(Decode(Oaep(h), rebuild(bad), &out, k), kBlockFailed);
    const uint32_t one = dbLen - 10 - 1;
    ASSERT_EQ(db[one], 0x01);
    bad = db;
    bad[one] = 0x02;  // not 01 after the zeros
    EXPECT_EQ(Decode(Oaep(h), rebuild(bad), &out, k), kBlockFailed);
    bad = db;
    std::fill(bad.begin() + hLen, bad.end(), 0x00);  // zeros to the end
    EXPECT_EQ(Decode(Oaep(h), rebuild(bad), &out, k), kBlockFailed);
    bad[dbLen - 1] = 0x01;  // 01 as the last byte: empty data
    ASSERT_EQ(Decode(Oaep(h), rebuild(bad), &out, k), kBlockOk);
    EXPECT_TRUE(out.empty());
    // Another hash's identifier: lHash differs.
    EXPECT_EQ(Decode(Oaep(KxHashMd5), block, &out, k), kBlockFailed);
}

// ---------------------------------------------------------------------------
// v1.5 signature blocks
// ---------------------------------------------------------------------------

TEST(Pkcs1V15Signature, Sha1BlockLayout) {
    const uint32_t k = 128;
    Bytes msg = {'a', 'b', 'c'}, block;
    uint32_t error = 0;
    ASSERT_EQ(Encode(V15Sig(KxHashSha1), msg, &block, k, &error), kBlockOk);
    Bytes want = {0x00, 0x01};
    want.insert(want.end(), 90, 0xFF);
    want.push_back(0x00);
    Bytes prefix = FromHex("3021300906052b0e03021a05000414");
    want.insert(want.end(), prefix.begin(), prefix.end());
    Bytes digest = FromHex("a9993e364706816aba3e25717850c26c9cd0d89d");  // SHA-1("abc")
    want.insert(want.end(), digest.begin(), digest.end());
    EXPECT_EQ(block, want);
}

TEST(Pkcs1V15Signature, SmallestModulusPerHashAndExactComparison) {
    const uint32_t SMALLEST[6] = {45, 45, 46, 62, 78, 94};  // tLen + 11
    uint32_t error = 0;
    Bytes msg = Pattern(33, 9), block;
    for (uint32_t h = KxHashMd2; h <= KxHashSha512; ++h) {
        SCOPED_TRACE(h);
        EXPECT_EQ(DigestInfoPrefixLength(V15Sig(h)) + HashLengthOf(h) + 11, SMALLEST[h]);
        EXPECT_EQ(Encode(V15Sig(h), msg, &block, SMALLEST[h] - 1, &error), kBlockFailed);
        ASSERT_EQ(Encode(V15Sig(h), msg, &block, SMALLEST[h], &error), kBlockOk);
        EXPECT_EQ(Verify(V15Sig(h), block, msg), kBlockOk);
        ASSERT_EQ(Encode(V15Sig(h), msg, &block, 128, &error), kBlockOk);
        EXPECT_EQ(Verify(V15Sig(h), block, msg), kBlockOk);
        // Any single changed byte fails, padding, type and DigestInfo included.
        for (size_t i = 0; i < block.size(); ++i) {
            Bytes bad = block;
            bad[i] ^= 0x01;
            ASSERT_EQ(Verify(V15Sig(h), bad, msg), kBlockFailed) << i;
        }
        Bytes other = msg;
        other[0] ^= 1;
        EXPECT_EQ(Verify(V15Sig(h), block, other), kBlockFailed);
        EXPECT_EQ(Verify(V15Sig((h + 1) % 6), block, msg), kBlockFailed);
    }
    // One 0xFF fewer and the DigestInfo moved left: no longer the block.
    ASSERT_EQ(Encode(V15Sig(KxHashSha256), msg, &block, 128, &error), kBlockOk);
    Bytes shifted(block.begin() + 1, block.end());
    shifted.push_back(0x00);
    EXPECT_EQ(Verify(V15Sig(KxHashSha256), shifted, msg), kBlockFailed);
    // A 64-byte modulus signs with neither SHA-384 nor SHA-512.
    EXPECT_EQ(Encode(V15Sig(KxHashSha384), msg, &block, 64, &error), kBlockFailed);
    EXPECT_EQ(Encode(V15Sig(KxHashSha512), msg, &block, 64, &error), kBlockFailed);
}

// ---------------------------------------------------------------------------
// PSS blocks
// ---------------------------------------------------------------------------

TEST(Pkcs1Pss, LimitsRoundTripAndTopBit) {
    uint32_t error = 0;
    Bytes msg = Pattern(100, 4), block;
    for (uint32_t h = KxHashMd2; h <= KxHashSha512; ++h) {
        const uint32_t smallest = 2 * HashLengthOf(h) + 2;
        SCOPED_TRACE(h);
        EXPECT_EQ(Encode(Pss(h), msg, &block, smallest - 1, &error), kBlockFailed);
        EXPECT_EQ(Verify(Pss(h), Bytes(smallest - 1, 0xBC), msg), kBlockFailed);
        for (uint32_t k : {smallest, 128u, 256u}) {
            if (k < smallest) continue;
            ASSERT_EQ(Encode(Pss(h), msg, &block, k, &error), kBlockOk) << k;
            EXPECT_EQ(block[k - 1], 0xBC);
            EXPECT_EQ(block[0] & 0x80, 0);  // emBits = 8k - 1
            EXPECT_EQ(Verify(Pss(h), block, msg), kBlockOk);
            Bytes other = msg;
            other[50] ^= 4;
            EXPECT_EQ(Verify(Pss(h), block, other), kBlockFailed);
            EXPECT_EQ(Verify(Pss((h + 1) % 6), block, msg), kBlockFailed);
        }
    }
    // SHA-512 needs k >= 130; SHA-256 fails at 64.
    EXPECT_EQ(Encode(Pss(KxHashSha512), msg, &block, 128, &error), kBlockFailed);
    EXPECT_EQ(Encode(Pss(KxHashSha512), msg, &block, 130, &error), kBlockOk);
    EXPECT_EQ(Encode(Pss(KxHashSha256), msg, &block, 64, &error), kBlockFailed);
    // Two signatures of one message differ (random salt).
    Bytes other;
    Encode(Pss(KxHashSha256), msg, &block, 128, &error);
    Encode(Pss(KxHashSha256), msg, &other, 128, &error);
    EXPECT_NE(block, other);
}

TEST(Pkcs1Pss, VerifyRejectsEveryMalformedPart) {
    const uint32_t h = KxHashSha256, hLen = 32, k = 128, dbLen = k - hLen - 1;
    uint32_t error = 0;
    Bytes msg = Pattern(10, 5), block;
    ASSERT_EQ(Encode(Pss(h), msg, &block, k, &error), kBlockOk);
    Bytes bad = block;
    bad[k - 1] = 0xBD;
    EXPECT_EQ(Verify(Pss(h), bad, msg), kBlockFailed);
    bad = block;
    bad[0] |= 0x80;  // top bit set
    EXPECT_EQ(Verify(Pss(h), bad, msg), kBlockFailed);
    // DB = maskedDB ^ MGF1(H): flip a byte of DB by flipping maskedDB.
    const uint32_t psLen = k - 2 * hLen - 2;
    for (uint32_t i : {1u, psLen - 1, psLen, psLen + 1, dbLen - 1}) {
        bad = block;
        bad[i] ^= 0x01;
        EXPECT_EQ(Verify(Pss(h), bad, msg), kBlockFailed) << i;
    }
    bad = block;
    bad[dbLen + 3] ^= 0x01;  // H
    EXPECT_EQ(Verify(Pss(h), bad, msg), kBlockFailed);
    // A candidate shorter than emLen is not read.
    bad = block;
    bad.pop_back();
    OctetString modulus{nullptr, k}, in = Rec(bad), m = Rec(msg);
    EXPECT_EQ(VerifyBlock(Pss(h), &modulus, &in, &m, &error), kBlockFailed);
}

TEST(Pkcs1Dispatch, UnknownIdentifiersAndEmptyModulus) {
    uint32_t error = 0;
    Bytes block, out;
    for (uint32_t scheme : {1u, 22u, 0x10006u, 0x10016u}) {
        EXPECT_EQ(Encode(scheme, {}, &block, 128, &error), kBlockFailed) << scheme;
        EXPECT_EQ(Decode(scheme, Bytes(128, 0), &out, 128), kBlockFailed) << scheme;
        EXPECT_EQ(Verify(scheme, Bytes(128, 0), {}), kBlockFailed) << scheme;
    }
    EXPECT_EQ(Decode(V15Sig(KxHashSha1), Bytes(128, 0), &out, 128), kBlockFailed);
    EXPECT_EQ(Verify(Oaep(KxHashSha1), Bytes(128, 0), {}), kBlockFailed);
    // k = 0: 8k - 1 is no length; every scheme fails at once.
    for (uint32_t scheme : {kV15, Oaep(KxHashMd2), V15Sig(KxHashMd2), Pss(KxHashMd2)})
        EXPECT_EQ(Encode(scheme, {}, &block, 0, &error), kBlockFailed) << scheme;
    EXPECT_EQ(Verify(Pss(KxHashMd2), {}, {}), kBlockFailed);
}

// Every allocation of a block operation may fail: 62 and kBlockNoMemory, no leak.
TEST(Pkcs1Blocks, AllocationFailureAtEveryPoint) {
    const uint32_t k = 128;
    Bytes msg = Pattern(20, 6), oaep, v15, pss;
    uint32_t error = 0;
    ASSERT_EQ(Encode(Oaep(KxHashSha1), msg, &oaep, k, &error), kBlockOk);
    ASSERT_EQ(Encode(V15Sig(KxHashSha384), msg, &v15, k, &error), kBlockOk);
    ASSERT_EQ(Encode(Pss(KxHashSha256), msg, &pss, k, &error), kBlockOk);
    Bytes scratch;
    const std::function<int32_t(uint32_t*)> OPERATIONS[] = {
        [&](uint32_t* e) { return Encode(kV15, msg, &scratch, k, e); },
        [&](uint32_t* e) { return Encode(Oaep(KxHashSha256), msg, &scratch, k, e); },
        [&](uint32_t* e) { return Encode(V15Sig(KxHashSha256), msg, &scratch, k, e); },
        [&](uint32_t* e) { return Encode(Pss(KxHashSha256), msg, &scratch, k, e); },
        [&](uint32_t* e) {
            OctetString mod{nullptr, k}, in = Rec(oaep), out{scratch.data(), k};
            return DecodeBlock(Oaep(KxHashSha1), &mod, &in, &out, e);
        },
        [&](uint32_t* e) {
            OctetString mod{nullptr, k}, in = Rec(v15), m = Rec(msg);
            return VerifyBlock(V15Sig(KxHashSha384), &mod, &in, &m, e);
        },
        [&](uint32_t* e) {
            OctetString mod{nullptr, k}, in = Rec(pss), m = Rec(msg);
            return VerifyBlock(Pss(KxHashSha256), &mod, &in, &m, e);
        },
    };
    for (size_t op = 0; op < std::size(OPERATIONS); ++op) {
        scratch.assign(k, 0);
        for (uint64_t n = 1;; ++n) {
            SCOPED_TRACE(testing::Message() << "operation " << op << " fails at " << n);
            HeapTestReset(n);
            error = 0;
            const int32_t rc = OPERATIONS[op](&error);
            const bool reached = HeapTestAllocations() >= n;
            const int64_t live = HeapTestLive();
            HeapTestReset(0);
            EXPECT_EQ(live, 0);
            if (!reached) {
                EXPECT_EQ(rc, kBlockOk);
                EXPECT_GT(n, op == 0 ? 0u : 1u);  // all but v1.5 encryption allocate
                break;
            }
            EXPECT_EQ(rc, kBlockNoMemory);
            EXPECT_EQ(error, 62u);
            ASSERT_LT(n, 100u);
        }
    }
}

// ---------------------------------------------------------------------------
// The exports: order of checks, codes, outputs
// ---------------------------------------------------------------------------

namespace {

// One export call over plain records, so a test can null any of them.
struct Call {
    uint32_t scheme = 0;
    const OctetString *a = nullptr, *n = nullptr, *p = nullptr, *q = nullptr, *dP = nullptr,
                      *dQ = nullptr, *qInv = nullptr;
};

// All four exports over a 1024-bit key with settable records.
struct ExportFixture {
    const TestKey& key = KeyOf(1024);
    PrivateRecords priv{key};
    OctetString e = key.E();
    Bytes msg = Pattern(40, 11), outBuffer = Bytes(key.k(), 0xCC), sig, ct;
    OctetString in = Rec(msg), out{outBuffer.data(), 7};
    uint32_t error = 0;

    int32_t Seal(uint32_t scheme, const OctetString* eRec, const OctetString* nRec,
                 const OctetString* inRec, OctetString* outRec, uint32_t* err) {
        return KxSealRsaBlockPKCS(scheme, eRec, nRec, inRec, outRec, err);
    }
    int32_t Seal(uint32_t scheme, uint32_t* err) { return Seal(scheme, &e, &priv.n, &in, &out, err); }
    int32_t Unseal(uint32_t scheme, const OctetString* inRec, uint32_t* err,
                   const OctetString* nRec = nullptr, OctetString* outRec = nullptr) {
        return KxUnsealRsaBlockPKCS(scheme, &priv.d, nRec ? nRec : &priv.n, &priv.p, &priv.q,
                                    &priv.dP, &priv.dQ, &priv.qInv, inRec, outRec ? outRec : &out,
                                    err);
    }
    int32_t Sign(uint32_t scheme, uint32_t* err, const OctetString* nRec = nullptr) {
        return KxSignRsaBlockPKCS(scheme, &priv.d, nRec ? nRec : &priv.n, &priv.p, &priv.q,
                                  &priv.dP, &priv.dQ, &priv.qInv, &in, &out, err);
    }
    int32_t Verify(uint32_t scheme, const OctetString* sigRec, uint32_t* err,
                   const OctetString* nRec = nullptr) {
        return KxVerifyRsaBlockPKCS(scheme, &e, nRec ? nRec : &priv.n, sigRec, &in, err);
    }
    bool OutputUntouched() const {
        return out.length == 7 && outBuffer == Bytes(key.k(), 0xCC);
    }
};

}  // namespace

TEST(Pkcs1Exports, NullRecordsComeFirst) {
    ExportFixture f;
    PrivateRecords& k = f.priv;
    const OctetString nullData{nullptr, 5};
    Bytes shortCt(f.key.k() - 1, 1);
    OctetString shortRec = Rec(shortCt), outNullData{nullptr, 0};
    // Each call has one null record (or null data where that counts as a null
    // record) and would otherwise fail later: a bad identifier, a wrong length.
    const std::function<int32_t(uint32_t*)> CALLS[] = {
        [&](uint32_t* e) { return KxSealRsaBlockPKCS(0x10001, nullptr, &k.n, &f.in, &f.out, e); },
        [&](uint32_t* e) { return KxSealRsaBlockPKCS(1, &f.e, nullptr, &f.in, &f.out, e); },
        [&](uint32_t* e) { return KxSealRsaBlockPKCS(0, &f.e, &k.n, nullptr, &f.out, e); },
        [&](uint32_t* e) { return KxSealRsaBlockPKCS(0, &f.e, &k.n, &nullData, &f.out, e); },
        [&](uint32_t* e) { return KxSealRsaBlockPKCS(0, &f.e, &k.n, &f.in, nullptr, e); },
        [&](uint32_t* e) { return KxSealRsaBlockPKCS(0, &f.e, &k.n, &f.in, &outNullData, e); },
        [&](uint32_t* e) {
            return KxUnsealRsaBlockPKCS(0x10000, &k.d, &k.n, &k.p, nullptr, &k.dP, &k.dQ, &k.qInv,
                                        &shortRec, &f.out, e);
        },
        [&](uint32_t* e) {
            return KxUnsealRsaBlockPKCS(0, &k.d, &k.n, &k.p, &k.q, &k.dP, &k.dQ, &k.qInv, &nullData,
                                        &f.out, e);
        },
        [&](uint32_t* e) {
            return KxUnsealRsaBlockPKCS(0, &k.d, &k.n, &k.p, &k.q, &k.dP, &k.dQ, &k.qInv, &shortRec,
                                        nullptr, e);
        },
        [&](uint32_t* e) {
            return KxSignRsaBlockPKCS(0, &k.d, &k.n, &k.p, &k.q, &k.dP, &k.dQ, nullptr, &f.in,
                                      &f.out, e);
        },
        [&](uint32_t* e) {
            return KxSignRsaBlockPKCS(0x10010, &k.d, &k.n, &k.p, &k.q, &k.dP, &k.dQ, &k.qInv,
                                      &nullData, &f.out, e);
        },
        [&](uint32_t* e) {
            return KxSignRsaBlockPKCS(0x10010, &k.d, &k.n, &k.p, &k.q, &k.dP, &k.dQ, &k.qInv, &f.in,
                                      &outNullData, e);
        },
        [&](uint32_t* e) { return KxVerifyRsaBlockPKCS(0, nullptr, &k.n, &shortRec, &f.in, e); },
        [&](uint32_t* e) { return KxVerifyRsaBlockPKCS(0, &f.e, &k.n, &shortRec, &nullData, e); },
        [&](uint32_t* e) { return KxVerifyRsaBlockPKCS(0, &f.e, &k.n, &nullData, &f.in, e); },
        [&](uint32_t* e) { return KxVerifyRsaBlockPKCS(0, &f.e, &k.n, &shortRec, nullptr, e); },
    };
    ClosedGate gate;  // 99 even in the error state
    for (size_t i = 0; i < std::size(CALLS); ++i) {
        f.error = 0;
        EXPECT_EQ(CALLS[i](&f.error), -1) << i;
        EXPECT_EQ(f.error, 99u) << i;
        EXPECT_EQ(CALLS[i](nullptr), -1) << i;  // nothing to write to
    }
    // A null error location alone: -1.
    EXPECT_EQ(f.Seal(0, nullptr), -1);
    EXPECT_EQ(f.Unseal(0, &shortRec, nullptr), -1);
    EXPECT_EQ(f.Sign(0x10003, nullptr), -1);
    EXPECT_EQ(f.Verify(0x10003, &shortRec, nullptr), -1);
    EXPECT_TRUE(f.OutputUntouched());
}

TEST(Pkcs1Exports, LengthRuleThenIdentifierThenGate) {
    ExportFixture f;
    Bytes shortCt(f.key.k() - 1, 1), fullCt(f.key.k(), 1);
    OctetString shortRec = Rec(shortCt), fullRec = Rec(fullCt);
    {
        ClosedGate gate;
        EXPECT_EQ(f.Unseal(0x10000, &shortRec, &f.error), -1);  // length before identifier
        EXPECT_EQ(f.error, 547u);
        EXPECT_EQ(f.Verify(0, &shortRec, &f.error), -1);
        EXPECT_EQ(f.error, 549u);
        EXPECT_EQ(f.Unseal(0x10000, &fullRec, &f.error), -1);  // identifier before gate
        EXPECT_EQ(f.error, 99u);
        EXPECT_EQ(f.Verify(0, &fullRec, &f.error), -1);
        EXPECT_EQ(f.error, 99u);
        EXPECT_EQ(f.Seal(0x10001, &f.error), -1);
        EXPECT_EQ(f.error, 99u);
        EXPECT_EQ(f.Sign(18, &f.error), -1);
        EXPECT_EQ(f.error, 99u);
        // Accepted identifiers reach the gate.
        for (uint32_t scheme : {0u, 16u, 21u}) {
            f.error = 0;
            EXPECT_EQ(f.Seal(scheme, &f.error), -1);
            EXPECT_EQ(f.error, 546u);
            f.error = 0;
            EXPECT_EQ(f.Unseal(scheme, &fullRec, &f.error), -1);
            EXPECT_EQ(f.error, 546u);
        }
        for (uint32_t scheme : {0x10000u, 0x10005u, 0x10010u, 0x10015u}) {
            f.error = 0;
            EXPECT_EQ(f.Sign(scheme, &f.error), -1);
            EXPECT_EQ(f.error, 546u);
            f.error = 0;
            EXPECT_EQ(f.Verify(scheme, &fullRec, &f.error), -1);
            EXPECT_EQ(f.error, 546u);
        }
    }
    // Identifiers of the other pair, and values between the ranges.
    for (uint32_t scheme : {1u, 15u, 22u, 0x10000u, 0x10010u}) {
        EXPECT_EQ(f.Seal(scheme, &f.error), -1);
        EXPECT_EQ(f.error, 99u) << scheme;
        EXPECT_EQ(f.Unseal(scheme, &fullRec, &f.error), -1);
        EXPECT_EQ(f.error, 99u) << scheme;
    }
    for (uint32_t scheme : {0u, 18u, 0x10006u, 0x1000Fu, 0x10016u}) {
        EXPECT_EQ(f.Sign(scheme, &f.error), -1);
        EXPECT_EQ(f.error, 99u) << scheme;
        EXPECT_EQ(f.Verify(scheme, &fullRec, &f.error), -1);
        EXPECT_EQ(f.error, 99u) << scheme;
    }
    EXPECT_TRUE(f.OutputUntouched());
}

TEST(Pkcs1Exports, BlockLimitsAndTheRawOperationsCodes) {
    ExportFixture f;
    // 117 bytes fit a 128-byte modulus under v1.5, 118 do not.
    Bytes data117 = Pattern(117, 1), data118 = Pattern(118, 1);
    OctetString in117 = Rec(data117), in118 = Rec(data118);
    EXPECT_EQ(f.Seal(0, &f.e, &f.priv.n, &in118, &f.out, &f.error), -1);
    EXPECT_EQ(f.error, 548u);
    EXPECT_TRUE(f.OutputUntouched());
    ASSERT_EQ(f.Seal(0, &f.e, &f.priv.n, &in117, &f.out, &f.error), 0);
    EXPECT_EQ(f.out.length, 128u);
    EXPECT_EQ(f.error, 0u);
    // PSS with SHA-512 needs k >= 130; OAEP with SHA-512 takes nothing at 128.
    f.error = 0x1234;
    EXPECT_EQ(f.Sign(0x10015, &f.error), -1);
    EXPECT_EQ(f.error, 548u);
    EXPECT_EQ(f.Seal(21, &f.error), -1);
    EXPECT_EQ(f.error, 548u);
    // A 63-byte modulus: the block is built, then the raw operation says 99.
    OctetString n63{f.priv.n.data, 63};
    Bytes shortData = Pattern(5, 2);
    OctetString shortIn = Rec(shortData);
    EXPECT_EQ(f.Seal(0, &f.e, &n63, &shortIn, &f.out, &f.error), -1);
    EXPECT_EQ(f.error, 99u);
    EXPECT_EQ(f.Sign(0x10001, &f.error, &n63), -1);
    EXPECT_EQ(f.error, 99u);
    // A modulus length of 0: the empty block buffer is obtained and encoding fails.
    OctetString n0{f.priv.n.data, 0};
    for (uint32_t scheme : {0u, 16u}) {
        EXPECT_EQ(f.Seal(scheme, &f.e, &n0, &shortIn, &f.out, &f.error), -1);
        EXPECT_EQ(f.error, 548u);
    }
    for (uint32_t scheme : {0x10000u, 0x10010u}) {
        EXPECT_EQ(f.Sign(scheme, &f.error, &n0), -1);
        EXPECT_EQ(f.error, 548u);
    }
    // Unseal and verify with k = 0 and an empty record pass the length rule
    // and fail in the raw operation.
    OctetString empty{nullptr, 0};
    EXPECT_EQ(f.Unseal(0, &empty, &f.error, &n0), -1);
    EXPECT_EQ(f.error, 99u);
    EXPECT_EQ(f.Verify(0x10003, &empty, &f.error, &n0), -1);
    EXPECT_EQ(f.error, 99u);
    // A null data pointer with length 0 is the empty string.
    f.out.length = 0;
    ASSERT_EQ(f.Seal(0, &f.e, &f.priv.n, &empty, &f.out, &f.error), 0);
    Bytes ct(f.outBuffer.begin(), f.outBuffer.begin() + f.out.length);
    KxResult back = KxUnseal(0, f.key, ct);
    EXPECT_EQ(back.rc, 0);
    EXPECT_TRUE(back.out.empty());
}

TEST(Pkcs1Exports, CallerLeft62NeverLeaksAndSuccessClearsTheCode) {
    ExportFixture f;
    Bytes data118 = Pattern(118, 1);
    OctetString in118 = Rec(data118);
    f.error = 62;
    EXPECT_EQ(f.Seal(0, &f.e, &f.priv.n, &in118, &f.out, &f.error), -1);
    EXPECT_EQ(f.error, 548u);
    f.error = 62;
    EXPECT_EQ(f.Sign(0x10015, &f.error), -1);
    EXPECT_EQ(f.error, 548u);
    // A ciphertext whose block is not of type 2: 547.
    Bytes notType2 = OsslRaw(f.key, Bytes(f.key.k(), 0x01), false);
    OctetString ctRec = Rec(notType2);
    f.error = 62;
    EXPECT_EQ(f.Unseal(0, &ctRec, &f.error), -1);
    EXPECT_EQ(f.error, 547u);
    f.error = 62;
    EXPECT_EQ(f.Verify(0x10003, &ctRec, &f.error), -1);
    EXPECT_EQ(f.error, 549u);
    // Success leaves 0, whatever the location held.
    KxResult sig = KxSign(0x10003, f.key, f.msg);
    ASSERT_EQ(sig.rc, 0);
    OctetString sigRec = Rec(sig.out);
    f.error = 62;
    EXPECT_EQ(f.Verify(0x10003, &sigRec, &f.error), 0);
    EXPECT_EQ(f.error, 0u);
    f.error = 62;
    EXPECT_EQ(f.Sign(0x10013, &f.error), 0);
    EXPECT_EQ(f.error, 0u);
}

TEST(Pkcs1Exports, UnsealFailureLeavesTheRawResult) {
    ExportFixture f;
    Bytes block(f.key.k(), 0x00);
    block[1] = 0x02;  // 00 02 then only zeros: no padding, so no v1.5 block
    block[f.key.k() - 1] = 0x42;
    Bytes ct = OsslRaw(f.key, block, false);
    OctetString ctRec = Rec(ct);
    EXPECT_EQ(f.Unseal(0, &ctRec, &f.error), -1);
    EXPECT_EQ(f.error, 547u);
    // The raw result in minimal form: the block without its leading zero byte.
    ASSERT_EQ(f.out.length, f.key.k() - 1);
    EXPECT_TRUE(std::equal(block.begin() + 1, block.end(), f.outBuffer.begin()));
    // The same under OAEP (the first byte is 00, the rest does not unmask).
    f.out.length = 7;
    EXPECT_EQ(f.Unseal(18, &ctRec, &f.error), -1);
    EXPECT_EQ(f.error, 547u);
    EXPECT_EQ(f.out.length, f.key.k() - 1);
}

TEST(Pkcs1Exports, ResultsWithLeadingZerosStayKBytes) {
    const TestKey& key = KeyOf(512);
    // About one in 256 results starts with a zero byte.
    bool sealed = false, signed_ = false;
    for (uint32_t i = 0; i < 4000 && !sealed; ++i) {
        KxResult ct = KxSeal(0, key, Pattern(9, i));
        ASSERT_EQ(ct.rc, 0);
        ASSERT_EQ(ct.out.size(), key.k());
        if (ct.out[0] != 0) continue;
        sealed = true;
        KxResult back = KxUnseal(0, key, ct.out);
        ASSERT_EQ(back.rc, 0);
        EXPECT_EQ(back.out, Pattern(9, i));
    }
    for (uint32_t i = 0; i < 4000 && !signed_; ++i) {
        KxResult sig = KxSign(0x10003, key, Pattern(9, i));
        ASSERT_EQ(sig.rc, 0);
        ASSERT_EQ(sig.out.size(), key.k());
        if (sig.out[0] != 0) continue;
        signed_ = true;
        EXPECT_EQ(KxVerify(0x10003, key, sig.out, Pattern(9, i)).rc, 0);
    }
    EXPECT_TRUE(sealed);
    EXPECT_TRUE(signed_);
}

// The allocation failure cases of the exports: one call each on a 768-bit key
// (k = 96: room for SHA-256 in every scheme).
namespace {

struct AllocCase {
    const char* name;
    std::function<KxResult()> run;
    bool privateOp;
    const Bytes* rawOnFailure;  // unseal: after the raw step the output holds this
};

struct AllocCases {
    const TestKey& key = KeyOf(768);
    Bytes msg = Pattern(30, 12);
    KxResult v15Ct = KxSeal(0, key, msg), oaepCt = KxSeal(17, key, msg);
    KxResult v15Sig = KxSign(0x10003, key, msg), pssSig = KxSign(0x10013, key, msg);
    Bytes rawV15 = MinimalRaw(v15Ct.out), rawOaep = MinimalRaw(oaepCt.out);
    std::vector<AllocCase> cases = {
        {"seal v1.5", [this] { return KxSeal(0, key, msg); }, false, nullptr},
        {"seal OAEP", [this] { return KxSeal(19, key, msg); }, false, nullptr},
        {"verify v1.5", [this] { return KxVerify(0x10003, key, v15Sig.out, msg); }, false, nullptr},
        {"verify PSS", [this] { return KxVerify(0x10013, key, pssSig.out, msg); }, false, nullptr},
        {"unseal v1.5", [this] { return KxUnsealKeepingOutput(0, v15Ct.out); }, true, &rawV15},
        {"unseal OAEP", [this] { return KxUnsealKeepingOutput(17, oaepCt.out); }, true, &rawOaep},
        {"sign v1.5", [this] { return KxSign(0x10003, key, msg); }, true, nullptr},
        {"sign PSS", [this] { return KxSign(0x10013, key, msg); }, true, nullptr},
    };

    // c^d mod n without leading zero bytes, as the raw operation writes it.
    Bytes MinimalRaw(const Bytes& ct) {
        Bytes raw = OsslRaw(key, ct, true);
        while (!raw.empty() && raw[0] == 0) raw.erase(raw.begin());
        return raw;
    }
    // Unseal into a k-byte buffer of 0xCC with length 3, reporting the whole
    // buffer and the length afterwards, success or not.
    KxResult KxUnsealKeepingOutput(uint32_t scheme, const Bytes& ct) {
        KxResult r;
        r.out.assign(key.k(), 0xCC);
        PrivateRecords k(key);
        OctetString in = Rec(ct), out{r.out.data(), 3};
        r.rc = KxUnsealRsaBlockPKCS(scheme, &k.d, &k.n, &k.p, &k.q, &k.dP, &k.dQ, &k.qInv, &in, &out,
                                    &r.error);
        r.out.resize(out.length);
        return r;
    }
};

// One call with allocation n failing: 62, nothing left allocated, every word
// array cleared, and an unseal output either untouched or the raw result.
// Returns false once the call made fewer than n allocations (it succeeded).
bool FailAllocation(const AllocCase& c, uint64_t n, bool* keptRaw) {
    SCOPED_TRACE(testing::Message() << c.name << ", allocation " << n << " fails");
    HeapTestReset(n);
    KxResult r = c.run();
    const bool reached = HeapTestAllocations() >= n;
    const int64_t live = HeapTestLive();
    const uint64_t uncleared = HeapTestUnclearedReleases();
    HeapTestReset(0);
    EXPECT_EQ(live, 0);
    EXPECT_EQ(uncleared, 0u);
    if (!reached) {
        EXPECT_EQ(r.rc, 0);
        return false;
    }
    EXPECT_EQ(r.rc, -1);
    EXPECT_EQ(r.error, 62u);
    *keptRaw = c.rawOnFailure != nullptr && r.out == *c.rawOnFailure;
    if (c.rawOnFailure != nullptr && !*keptRaw) EXPECT_EQ(r.out, Bytes(3, 0xCC));
    return true;
}

}  // namespace

// Every allocation of the public-key exports, and of the private-key exports
// up to the raw step and then a sample inside it (its count varies with the
// blinding factor; the tail is swept under the scripted generator).
TEST(Pkcs1Exports, AllocationFailureAtEveryPoint) {
    AllocCases all;
    ASSERT_EQ(all.v15Ct.rc | all.oaepCt.rc | all.v15Sig.rc | all.pssSig.rc, 0);
    for (const AllocCase& c : all.cases) {
        bool keptRaw = false;
        uint64_t n = 1;
        while (FailAllocation(c, n, &keptRaw)) {
            if (testing::Test::HasFailure()) return;
            n += c.privateOp && n >= 40 ? 11 : 1;
        }
        EXPECT_GT(n, 3u) << c.name;
    }
}

// ---------------------------------------------------------------------------
// Under the scripted generator
// ---------------------------------------------------------------------------

TEST(Pkcs1FakeRng, V15PaddingZerosBecomeFF) {
    KX_REQUIRE_FAKE_RNG();
    const TestKey& key = KeyOf(1024);
    const uint32_t k = key.k();
    Bytes data = Pattern(50, 3), ps = Pattern(k - 53, 4);
    for (size_t i = 0; i < ps.size(); i += 7) ps[i] = 0x00;
    FakeRng().script(ps.data(), static_cast<uint32_t>(ps.size()));
    KxResult ct = KxSeal(0, key, data);
    ASSERT_EQ(ct.rc, 0);
    EXPECT_EQ(FakeRng().calls(), 1u);
    EXPECT_EQ(FakeRng().lastCount(), k - 53);
    Bytes want = {0x00, 0x02};
    for (uint8_t b : ps) want.push_back(b == 0 ? 0xFF : b);
    want.push_back(0x00);
    want.insert(want.end(), data.begin(), data.end());
    EXPECT_EQ(ToHex(OsslRaw(key, ct.out, true)), ToHex(want));
}

TEST(Pkcs1FakeRng, OaepSeedIsTheScriptedBytes) {
    KX_REQUIRE_FAKE_RNG();
    const TestKey& key = KeyOf(1024);
    const uint32_t k = key.k();
    for (uint32_t h = KxHashMd5; h <= KxHashSha384; ++h) {
        SCOPED_TRACE(h);
        const uint32_t hLen = HashLengthOf(h);
        Bytes data = Pattern(20, h), seed = Pattern(hLen, 100 + h);
        seed[0] = 0x00;  // zero bytes stay in the seed
        FakeRng().reset(0);
        FakeRng().script(seed.data(), hLen);
        KxResult ct = KxSeal(Oaep(h), key, data);
        ASSERT_EQ(ct.rc, 0);
        EXPECT_EQ(FakeRng().calls(), 1u);
        Bytes em = OsslRaw(key, ct.out, true);
        ASSERT_EQ(em.size(), k);
        Bytes maskedSeed(em.begin() + 1, em.begin() + 1 + hLen), maskedDb(em.begin() + 1 + hLen, em.end());
        Bytes seedMask = OsslMgf1(h, maskedDb, hLen);
        for (uint32_t i = 0; i < hLen; ++i) maskedSeed[i] ^= seedMask[i];
        EXPECT_EQ(maskedSeed, seed);
        Bytes parsed(k);
        int n = RSA_padding_check_PKCS1_OAEP_mgf1(parsed.data(), k, em.data() + 1, k - 1, k, nullptr,
                                                  0, MdOf(h), MdOf(h));
        ASSERT_EQ(n, 20);
        parsed.resize(20);
        EXPECT_EQ(parsed, data);
    }
}

TEST(Pkcs1FakeRng, PssSaltIsTheScriptedBytes) {
    KX_REQUIRE_FAKE_RNG();
    const TestKey& key = KeyOf(1024);
    const uint32_t k = key.k();
    for (uint32_t h = KxHashMd5; h <= KxHashSha384; ++h) {
        SCOPED_TRACE(h);
        const uint32_t hLen = HashLengthOf(h), dbLen = k - hLen - 1;
        Bytes msg = Pattern(77, h), salt = Pattern(hLen, 200 + h);
        FakeRng().reset(0);
        FakeRng().script(salt.data(), hLen);
        KxResult sig = KxSign(Pss(h), key, msg);
        ASSERT_EQ(sig.rc, 0);
        EXPECT_EQ(FakeRng().calls(), 2u);  // the salt, then the blinding factor
        // The block through the raw public operation; DB's tail is the salt.
        Bytes em = OsslRaw(key, sig.out, false);
        ASSERT_EQ(em.size(), k);
        ASSERT_EQ(em[k - 1], 0xBC);
        Bytes hBytes(em.begin() + dbLen, em.begin() + dbLen + hLen), db(em.begin(), em.begin() + dbLen);
        Bytes dbMask = OsslMgf1(h, hBytes, dbLen);
        for (uint32_t i = 0; i < dbLen; ++i) db[i] ^= dbMask[i];
        db[0] &= 0x7F;
        EXPECT_EQ(Bytes(db.end() - hLen, db.end()), salt);
        EXPECT_EQ(db[dbLen - hLen - 1], 0x01);
        EXPECT_EQ(Bytes(db.begin(), db.end() - hLen - 1), Bytes(dbLen - hLen - 1, 0x00));
        // H = Hash(8 zero bytes || mHash || salt), recomputed with OpenSSL.
        Bytes mHash(EVP_MAX_MD_SIZE), prime(8, 0x00), hWant(EVP_MAX_MD_SIZE);
        unsigned int len = 0;
        EVP_Digest(msg.data(), msg.size(), mHash.data(), &len, MdOf(h), nullptr);
        prime.insert(prime.end(), mHash.begin(), mHash.begin() + len);
        prime.insert(prime.end(), salt.begin(), salt.end());
        EVP_Digest(prime.data(), prime.size(), hWant.data(), &len, MdOf(h), nullptr);
        hWant.resize(len);
        EXPECT_EQ(hBytes, hWant);
    }
}

TEST(Pkcs1FakeRng, FailingGeneratorGives548InTheBlockStepAnd62InTheRawStep) {
    KX_REQUIRE_FAKE_RNG();
    const TestKey& key = KeyOf(1024);
    Bytes msg = Pattern(16, 8);
    struct Case {
        const char* name;
        uint32_t failOnCall;
        std::function<KxResult()> run;
        uint32_t code;
    };
    KxResult ct = KxSeal(0, key, msg);
    ASSERT_EQ(ct.rc, 0);
    const Case CASES[] = {
        {"seal v1.5: the padding", 1, [&] { return KxSeal(0, key, msg); }, 548},
        {"seal OAEP: the seed", 1, [&] { return KxSeal(18, key, msg); }, 548},
        {"sign PSS: the salt", 1, [&] { return KxSign(0x10013, key, msg); }, 548},
        {"sign PSS: the blinding", 2, [&] { return KxSign(0x10013, key, msg); }, 62},
        {"sign v1.5: the blinding", 1, [&] { return KxSign(0x10003, key, msg); }, 62},
        {"unseal: the blinding", 1, [&] { return KxUnseal(0, key, ct.out); }, 62},
    };
    for (const Case& c : CASES) {
        SCOPED_TRACE(c.name);
        FakeRng().reset(0);
        FakeRng().failOnCall(c.failOnCall);
        KxResult r = c.run();
        EXPECT_EQ(r.rc, -1);
        EXPECT_EQ(r.error, c.code);
        EXPECT_EQ(FakeRng().calls(), c.failOnCall);
    }
}

TEST(Pkcs1FakeRng, TooShortModulusDrawsNothing) {
    KX_REQUIRE_FAKE_RNG();
    ExportFixture f;
    OctetString n0{f.priv.n.data, 0};
    EXPECT_EQ(f.Sign(0x10010, &f.error, &n0), -1);  // emBits = 8k - 1 has no value for k = 0
    EXPECT_EQ(f.error, 548u);
    EXPECT_EQ(f.Sign(0x10015, &f.error), -1);  // k = 128 < 130
    EXPECT_EQ(f.error, 548u);
    EXPECT_EQ(f.Seal(0, &f.e, &n0, &f.in, &f.out, &f.error), -1);
    EXPECT_EQ(f.error, 548u);
    EXPECT_EQ(FakeRng().calls(), 0u);
}

// The last allocations of a private-key export (the raw step's end, the
// export's block, the decoder's buffers), with the blinding made repeatable.
TEST(Pkcs1FakeRng, PrivateExportsFailAtEveryLateAllocation) {
    KX_REQUIRE_FAKE_RNG();
    AllocCases all;
    for (const AllocCase& c : all.cases) {
        if (!c.privateOp) continue;
        FakeRng().reset(1);
        HeapTestReset(0);
        ASSERT_EQ(c.run().rc, 0) << c.name;
        const uint64_t total = HeapTestAllocations();
        for (uint64_t n = total; n + 40 > total; --n) {
            FakeRng().reset(1);
            bool keptRaw = false;
            ASSERT_TRUE(FailAllocation(c, n, &keptRaw)) << c.name << " " << n;
            // The last allocation is always the decoder's own.
            if (n == total && c.rawOnFailure != nullptr) EXPECT_TRUE(keptRaw) << c.name;
        }
    }
}
