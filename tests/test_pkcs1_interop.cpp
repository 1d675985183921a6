// The four PKCS #1 exports of libkxrsa.so against OpenSSL's libcrypto on the
// same keys, in both directions: OAEP and v1.5 ciphertexts, v1.5 signatures
// (byte for byte, they are deterministic) and PSS signatures (salt length =
// hash length, MGF1 with the message hash), for every hash OpenSSL has. MD2,
// absent from its default provider, is covered by known-answer blocks whose
// DigestInfo comes from OpenSSL's DER encoder.
#include <gtest/gtest.h>
#include <openssl/objects.h>
#include <openssl/x509.h>

#include "pkcs1_test_keys.h"

using namespace pkcs1test;

namespace {

const int KEY_BITS[] = {1024, 2048};

struct OsslCtx {
    EVP_PKEY_CTX* ctx;
    explicit OsslCtx(const TestKey& key) : ctx(EVP_PKEY_CTX_new(key.pkey, nullptr)) {}
    ~OsslCtx() { EVP_PKEY_CTX_free(ctx); }
};

// OpenSSL encryption (padding RSA_PKCS1_PADDING or OAEP with `md` for both
// the label hash and MGF1) and decryption; empty on failure.
Bytes OsslEncrypt(const TestKey& key, const EVP_MD* md, const Bytes& data) {
    OsslCtx c(key);
    size_t len = key.k();
    Bytes out(len);
    if (EVP_PKEY_encrypt_init(c.ctx) != 1) return {};
    if (md == nullptr ? EVP_PKEY_CTX_set_rsa_padding(c.ctx, RSA_PKCS1_PADDING) != 1
                      : (EVP_PKEY_CTX_set_rsa_padding(c.ctx, RSA_PKCS1_OAEP_PADDING) != 1 ||
                         EVP_PKEY_CTX_set_rsa_oaep_md(c.ctx, md) != 1 ||
                         EVP_PKEY_CTX_set_rsa_mgf1_md(c.ctx, md) != 1))
        return {};
    if (EVP_PKEY_encrypt(c.ctx, out.data(), &len, data.data(), data.size()) != 1) return {};
    out.resize(len);
    return out;
}

bool OsslDecrypt(const TestKey& key, const EVP_MD* md, const Bytes& ct, Bytes* data) {
    OsslCtx c(key);
    size_t len = key.k();
    data->assign(len, 0);
    if (EVP_PKEY_decrypt_init(c.ctx) != 1) return false;
    if (md == nullptr ? EVP_PKEY_CTX_set_rsa_padding(c.ctx, RSA_PKCS1_PADDING) != 1
                      : (EVP_PKEY_CTX_set_rsa_padding(c.ctx, RSA_PKCS1_OAEP_PADDING) != 1 ||
                         EVP_PKEY_CTX_set_rsa_oaep_md(c.ctx, md) != 1 ||
                         EVP_PKEY_CTX_set_rsa_mgf1_md(c.ctx, md) != 1))
        return false;
    if (EVP_PKEY_decrypt(c.ctx, data->data(), &len, ct.data(), ct.size()) != 1) return false;
    data->resize(len);
    return true;
}

Bytes OsslDigest(const EVP_MD* md, const Bytes& msg) {
    Bytes out(EVP_MAX_MD_SIZE);
    unsigned int len = 0;
    EVP_Digest(msg.data(), msg.size(), out.data(), &len, md, nullptr);
    out.resize(len);
    return out;
}

// Signature padding: v1.5 or PSS with salt length = digest length and MGF1 = md.
bool SetSignaturePadding(EVP_PKEY_CTX* ctx, const EVP_MD* md, bool pss) {
    if (EVP_PKEY_CTX_set_signature_md(ctx, md) != 1) return false;
    if (!pss) return EVP_PKEY_CTX_set_rsa_padding(ctx, RSA_PKCS1_PADDING) == 1;
    return EVP_PKEY_CTX_set_rsa_padding(ctx, RSA_PKCS1_PSS_PADDING) == 1 &&
           EVP_PKEY_CTX_set_rsa_pss_saltlen(ctx, RSA_PSS_SALTLEN_DIGEST) == 1 &&
           EVP_PKEY_CTX_set_rsa_mgf1_md(ctx, md) == 1;
}

Bytes OsslSign(const TestKey& key, const EVP_MD* md, bool pss, const Bytes& msg) {
    OsslCtx c(key);
    Bytes digest = OsslDigest(md, msg), sig(key.k());
    size_t len = sig.size();
    if (EVP_PKEY_sign_init(c.ctx) != 1 || !SetSignaturePadding(c.ctx, md, pss) ||
        EVP_PKEY_sign(c.ctx, sig.data(), &len, digest.data(), digest.size()) != 1)
        return {};
    sig.resize(len);
    return sig;
}

bool OsslVerify(const TestKey& key, const EVP_MD* md, bool pss, const Bytes& sig, const Bytes& msg) {
    OsslCtx c(key);
    Bytes digest = OsslDigest(md, msg);
    return EVP_PKEY_verify_init(c.ctx) == 1 && SetSignaturePadding(c.ctx, md, pss) &&
           EVP_PKEY_verify(c.ctx, sig.data(), sig.size(), digest.data(), digest.size()) == 1;
}

// DER of DigestInfo { AlgorithmIdentifier { oid(nid), NULL }, OCTET STRING digest }.
Bytes DigestInfoDer(int nid, const Bytes& digest) {
    X509_SIG* sig = X509_SIG_new();
    X509_ALGOR* alg = nullptr;
    ASN1_OCTET_STRING* octets = nullptr;
    X509_SIG_getm(sig, &alg, &octets);
    X509_ALGOR_set0(alg, OBJ_nid2obj(nid), V_ASN1_NULL, nullptr);
    ASN1_OCTET_STRING_set(octets, digest.data(), static_cast<int>(digest.size()));
    unsigned char* der = nullptr;
    int len = i2d_X509_SIG(sig, &der);
    Bytes out(der, der + (len > 0 ? len : 0));
    OPENSSL_free(der);
    X509_SIG_free(sig);
    return out;
}

// 00 01 FF..FF 00 || T, k bytes.
Bytes TypeOneBlock(uint32_t k, const Bytes& t) {
    Bytes block = {0x00, 0x01};
    block.insert(block.end(), k - t.size() - 3, 0xFF);
    block.push_back(0x00);
    block.insert(block.end(), t.begin(), t.end());
    return block;
}

const int HASH_NIDS[6] = {NID_md2, NID_md5, NID_sha1, NID_sha256, NID_sha384, NID_sha512};

}  // namespace

TEST(Pkcs1Interop, V15EncryptionBothWays) {
    for (int bits : KEY_BITS) {
        const TestKey& key = KeyOf(bits);
        for (uint32_t mLen : {0u, 1u, 32u, key.k() - 11}) {
            SCOPED_TRACE(testing::Message() << bits << " bits, " << mLen << " bytes");
            Bytes data = Pattern(mLen, bits + mLen), back;
            KxResult ours = KxSeal(0, key, data);
            ASSERT_EQ(ours.rc, 0);
            ASSERT_EQ(ours.out.size(), key.k());
            ASSERT_TRUE(OsslDecrypt(key, nullptr, ours.out, &back));
            EXPECT_EQ(back, data);
            Bytes theirs = OsslEncrypt(key, nullptr, data);
            ASSERT_FALSE(theirs.empty());
            KxResult opened = KxUnseal(0, key, theirs);
            ASSERT_EQ(opened.rc, 0);
            EXPECT_EQ(opened.out, data);
        }
        EXPECT_EQ(KxSeal(0, key, Pattern(key.k() - 10, 1)).error, 548u);
    }
}

TEST(Pkcs1Interop, OaepBothWaysEveryHash) {
    for (int bits : KEY_BITS) {
        const TestKey& key = KeyOf(bits);
        for (uint32_t h = KxHashMd5; h <= KxHashSha512; ++h) {
            const uint32_t scheme = KxSchemeOaep + h, hLen = HashLengthOf(h);
            SCOPED_TRACE(testing::Message() << bits << " bits, hash " << h);
            if (key.k() < 2 * hLen + 2) {
                EXPECT_EQ(KxSeal(scheme, key, {}).error, 548u);
                continue;
            }
            const uint32_t maxLen = key.k() - 2 * hLen - 2;
            EXPECT_EQ(KxSeal(scheme, key, Pattern(maxLen + 1, 1)).error, 548u);
            for (uint32_t mLen : {0u, 17u, maxLen}) {
                if (mLen > maxLen) continue;
                Bytes data = Pattern(mLen, h * 31 + mLen), back;
                KxResult ours = KxSeal(scheme, key, data);
                ASSERT_EQ(ours.rc, 0);
                ASSERT_TRUE(OsslDecrypt(key, MdOf(h), ours.out, &back));
                EXPECT_EQ(back, data);
                Bytes theirs = OsslEncrypt(key, MdOf(h), data);
                ASSERT_FALSE(theirs.empty());
                KxResult opened = KxUnseal(scheme, key, theirs);
                ASSERT_EQ(opened.rc, 0);
                EXPECT_EQ(opened.out, data);
                // Under another hash, or as v1.5: not a well-formed block.
                EXPECT_EQ(KxUnseal(KxSchemeOaep + (h == KxHashSha1 ? 1u : 2u), key,
                                   theirs).error,
                          547u);
                EXPECT_EQ(KxUnseal(0, key, theirs).error, 547u);
            }
        }
    }
}

TEST(Pkcs1Interop, V15SignaturesAreOpenSslsByteForByte) {
    for (int bits : KEY_BITS) {
        const TestKey& key = KeyOf(bits);
        for (uint32_t h = KxHashMd5; h <= KxHashSha512; ++h) {
            SCOPED_TRACE(testing::Message() << bits << " bits, hash " << h);
            const uint32_t scheme = KxSchemeV15Signature + h;
            for (size_t msgLen : {0, 3, 1000}) {
                Bytes msg = Pattern(msgLen, h);
                KxResult ours = KxSign(scheme, key, msg);
                ASSERT_EQ(ours.rc, 0);
                Bytes theirs = OsslSign(key, MdOf(h), false, msg);
                EXPECT_EQ(ToHex(ours.out), ToHex(theirs));
                EXPECT_TRUE(OsslVerify(key, MdOf(h), false, ours.out, msg));
                EXPECT_EQ(KxVerify(scheme, key, theirs, msg).rc, 0);
                Bytes other = msg;
                other.push_back(1);
                EXPECT_EQ(KxVerify(scheme, key, theirs, other).error, 549u);
                const uint32_t otherHash = KxSchemeV15Signature + (h + 1) % 6;
                EXPECT_EQ(KxVerify(otherHash, key, theirs, msg).error, 549u);
            }
        }
    }
}

TEST(Pkcs1Interop, PssBothWaysEveryHash) {
    for (int bits : KEY_BITS) {
        const TestKey& key = KeyOf(bits);
        for (uint32_t h = KxHashMd5; h <= KxHashSha512; ++h) {
            SCOPED_TRACE(testing::Message() << bits << " bits, hash " << h);
            const uint32_t scheme = KxSchemePss + h;
            Bytes msg = Pattern(100 + h, bits);
            if (key.k() < 2 * HashLengthOf(h) + 2) {
                EXPECT_EQ(KxSign(scheme, key, msg).error, 548u);
                continue;
            }
            KxResult ours = KxSign(scheme, key, msg);
            ASSERT_EQ(ours.rc, 0);
            EXPECT_TRUE(OsslVerify(key, MdOf(h), true, ours.out, msg));
            Bytes theirs = OsslSign(key, MdOf(h), true, msg);
            ASSERT_FALSE(theirs.empty());
            EXPECT_EQ(KxVerify(scheme, key, theirs, msg).rc, 0);
            EXPECT_EQ(KxVerify(scheme, key, ours.out, msg).rc, 0);
            EXPECT_NE(KxSign(scheme, key, msg).out, ours.out);  // a fresh salt
            Bytes other = msg;
            other[0] ^= 1;
            EXPECT_EQ(KxVerify(scheme, key, theirs, other).error, 549u);
            EXPECT_EQ(KxVerify(KxSchemeV15Signature + h, key, theirs, msg).error, 549u);
        }
    }
}

// The type-1 block under every hash is 00 01 FF.. 00 followed by the DER
// DigestInfo that OpenSSL encodes from the algorithm's OID: this checks the
// six constant prefixes. MD2's digest is the RFC 1319 answer for "abc".
TEST(Pkcs1Interop, DigestInfoOfEveryHashIsOpenSslsDer) {
    const TestKey& key = KeyOf(1024);
    const Bytes msg = {'a', 'b', 'c'};
    for (uint32_t h = KxHashMd2; h <= KxHashSha512; ++h) {
        SCOPED_TRACE(h);
        Bytes digest = h == KxHashMd2 ? FromHex("da853b0d3f88d99b30283a69e6ded6bb")
                                      : OsslDigest(MdOf(h), msg);
        Bytes der = DigestInfoDer(HASH_NIDS[h], digest);
        ASSERT_EQ(der.size(), HashLengthOf(h) + (h == KxHashSha1 ? 15 : h <= KxHashMd5 ? 18 : 19));
        Bytes block = TypeOneBlock(key.k(), der);
        KxResult ours = KxSign(KxSchemeV15Signature + h, key, msg);
        ASSERT_EQ(ours.rc, 0);
        EXPECT_EQ(ToHex(OsslRaw(key, ours.out, false)), ToHex(block));
        // The signature of that block made by OpenSSL's raw private operation
        // is ours, and verifies.
        EXPECT_EQ(OsslRaw(key, block, true), ours.out);
        EXPECT_EQ(KxVerify(KxSchemeV15Signature + h, key, ours.out, msg).rc, 0);
    }
}

// MD2 under OAEP and PSS: round trips, and the blocks' fixed parts seen
// through OpenSSL's raw operations.
TEST(Pkcs1Interop, Md2OaepAndPssRoundTrips) {
    const TestKey& key = KeyOf(1024);
    const uint32_t k = key.k();
    Bytes data = Pattern(k - 34, 5), msg = Pattern(64, 6);
    KxResult ct = KxSeal(KxSchemeOaep + uint32_t(KxHashMd2), key, data);
    ASSERT_EQ(ct.rc, 0);
    EXPECT_EQ(OsslRaw(key, ct.out, true)[0], 0x00);
    KxResult back = KxUnseal(KxSchemeOaep + uint32_t(KxHashMd2), key, ct.out);
    ASSERT_EQ(back.rc, 0);
    EXPECT_EQ(back.out, data);
    EXPECT_EQ(KxUnseal(KxSchemeOaep + uint32_t(KxHashMd5), key, ct.out).error, 547u);
    EXPECT_EQ(KxSeal(KxSchemeOaep + uint32_t(KxHashMd2), key, Pattern(k - 33, 5)).error, 548u);

    KxResult sig = KxSign(KxSchemePss + uint32_t(KxHashMd2), key, msg);
    ASSERT_EQ(sig.rc, 0);
    Bytes em = OsslRaw(key, sig.out, false);
    EXPECT_EQ(em[k - 1], 0xBC);
    EXPECT_EQ(em[0] & 0x80, 0);
    EXPECT_EQ(KxVerify(KxSchemePss + uint32_t(KxHashMd2), key, sig.out, msg).rc, 0);
    EXPECT_EQ(KxVerify(KxSchemePss + uint32_t(KxHashMd5), key, sig.out, msg).error, 549u);
}
