// The PKCS #1 exports of libkxrsa.so against OpenSSL on the same keys, both
// directions, for every scheme and every hash OpenSSL has (MD2: known answers).
#include <gtest/gtest.h>

#include <memory>

#include "test_support.h"

namespace {

const int KEY_BITS[] = {1024, 2048};
using OsslOp = int (*)(EVP_PKEY_CTX*, unsigned char*, size_t*, const unsigned char*, size_t);
using Ctx = std::unique_ptr<EVP_PKEY_CTX, decltype(&EVP_PKEY_CTX_free)>;

// A context after `init` with the padding: OAEP with md for the label hash and
// MGF1; for signatures md as the digest and, for PSS, salt length = hash length.
Ctx OsslCtx(const TestKey& key, int (*init)(EVP_PKEY_CTX*), int padding, const EVP_MD* md) {
    Ctx c(EVP_PKEY_CTX_new(key.pkey, nullptr), EVP_PKEY_CTX_free);
    EVP_PKEY_CTX* x = c.get();
    const bool oaep = padding == RSA_PKCS1_OAEP_PADDING, pss = padding == RSA_PKCS1_PSS_PADDING;
    bool ok = init(x) == 1;
    if (ok && md != nullptr && !oaep) ok = EVP_PKEY_CTX_set_signature_md(x, md) == 1;
    ok = ok && EVP_PKEY_CTX_set_rsa_padding(x, padding) == 1;
    if (ok && oaep) ok = EVP_PKEY_CTX_set_rsa_oaep_md(x, md) == 1 && EVP_PKEY_CTX_set_rsa_mgf1_md(x, md) == 1;
    if (ok && pss) ok = EVP_PKEY_CTX_set_rsa_pss_saltlen(x, RSA_PSS_SALTLEN_DIGEST) == 1 && EVP_PKEY_CTX_set_rsa_mgf1_md(x, md) == 1;
    EXPECT_TRUE(ok);
    return c;
}

bool OsslRun(const Ctx& c, OsslOp op, const Bytes& in, Bytes* out) {
    size_t len = 512;
    out->assign(len, 0);
    const bool ok = op(c.get(), out->data(), &len, in.data(), in.size()) == 1;
    out->resize(ok ? len : 0);
    return ok;
}

}  // namespace

// Scheme 0 (v1.5) and OAEP 16 + h: both ways at lengths 0, 17 and the maximum;
// one byte more gives 548; a ciphertext under another scheme gives 547.
TEST(Pkcs1Interop, EncryptionBothWaysEveryHash) {
    for (int bits : KEY_BITS) {
        const TestKey& key = KeyOf(bits);
        for (uint32_t scheme : {0u, 17u, 18u, 19u, 20u, 21u}) {
            SCOPED_TRACE(testing::Message() << bits << " bits, scheme " << scheme);
            const EVP_MD* md = scheme == 0 ? nullptr : MdOf(scheme - 16);
            const int padding = scheme == 0 ? RSA_PKCS1_PADDING : RSA_PKCS1_OAEP_PADDING;
            const uint32_t overhead = scheme == 0 ? 11 : 2 * HashLengthOf(scheme - 16) + 2;
            if (key.k() < overhead) continue;  // OAEP SHA-512 at k = 128 gives 548: test_pkcs1
            const uint32_t maxLen = key.k() - overhead;
            EXPECT_EQ(KxSeal(scheme, key, Pattern(maxLen + 1, 1)).error, 548u);
            for (uint32_t mLen : {0u, 17u, maxLen}) {
                Bytes data = Pattern(mLen, scheme * 31 + mLen), back, theirs;
                KxResult ours = KxSeal(scheme, key, data);
                ASSERT_EQ(ours.out.size(), key.k());
                ASSERT_TRUE(OsslRun(OsslCtx(key, EVP_PKEY_decrypt_init, padding, md), EVP_PKEY_decrypt, ours.out, &back));
                EXPECT_EQ(back, data);
                ASSERT_TRUE(OsslRun(OsslCtx(key, EVP_PKEY_encrypt_init, padding, md), EVP_PKEY_encrypt, data, &theirs));
                KxResult opened = KxUnseal(scheme, key, theirs);
                ASSERT_EQ(opened.rc, 0);
                EXPECT_EQ(opened.out, data);
                EXPECT_EQ(KxUnseal(scheme == 18 ? 19 : 18, key, theirs).error, 547u);
            }
        }
    }
}

// v1.5 signatures are OpenSSL's byte for byte (this checks every DigestInfo
// prefix but MD2's); PSS both ways, with a fresh salt per signature.
TEST(Pkcs1Interop, SignaturesBothWaysEveryHash) {
    for (int bits : KEY_BITS) {
        const TestKey& key = KeyOf(bits);
        for (uint32_t base : {uint32_t(KxSchemeV15Signature), uint32_t(KxSchemePss)}) {
            const bool pss = base == KxSchemePss;
            const int padding = pss ? RSA_PKCS1_PSS_PADDING : RSA_PKCS1_PADDING;
            for (uint32_t h = KxHashMd5; h <= KxHashSha512; ++h) {
                SCOPED_TRACE(testing::Message() << bits << " bits, scheme " << base + h);
                if (pss && key.k() < 2 * HashLengthOf(h) + 2) continue;  // 548: test_pkcs1
                const Bytes msg = Pattern(h * 300, bits);
                Bytes digest(HashLengthOf(h)), theirs;
                ASSERT_EQ(EVP_Digest(msg.data(), msg.size(), digest.data(), nullptr, MdOf(h), nullptr), 1);
                KxResult ours = KxSign(base + h, key, msg);
                ASSERT_EQ(ours.rc, 0);
                ASSERT_TRUE(OsslRun(OsslCtx(key, EVP_PKEY_sign_init, padding, MdOf(h)), EVP_PKEY_sign, digest, &theirs));
                if (pss) EXPECT_NE(KxSign(base + h, key, msg).out, ours.out);
                else EXPECT_EQ(ToHex(ours.out), ToHex(theirs));
                EXPECT_EQ(EVP_PKEY_verify(OsslCtx(key, EVP_PKEY_verify_init, padding, MdOf(h)).get(), ours.out.data(),
                                          ours.out.size(), digest.data(), digest.size()), 1);
                EXPECT_EQ(KxVerify(base + h, key, theirs, msg).rc, 0);
                EXPECT_EQ(KxVerify(base + h, key, theirs, Pattern(h * 300, bits + 1)).error, 549u);
                EXPECT_EQ(KxVerify(base + (h + 1) % 6, key, theirs, msg).error, 549u);
                EXPECT_EQ(KxVerify((base ^ 0x10) + h, key, theirs, msg).error, 549u);
            }
        }
    }
}

// MD2: the v1.5 block of "abc" (DigestInfo prefix of RFC 8017 9.2, digest of
// RFC 1319 A.5) through OpenSSL's raw operation; OAEP and PSS round trips.
TEST(Pkcs1Interop, Md2KnownAnswerBlockAndRoundTrips) {
    const TestKey& key = KeyOf(1024);
    const std::string t = "3020300c06082a864886f70d020205000410da853b0d3f88d99b30283a69e6ded6bb";
    const Bytes abc = {'a', 'b', 'c'}, data = Pattern(key.k() - 34, 5);
    KxResult sig = KxSign(KxSchemeV15Signature, key, abc);
    EXPECT_EQ(ToHex(OsslRaw(key, sig.out, false)), "0001" + std::string(2 * (key.k() - 3) - t.size(), 'f') + "00" + t);
    EXPECT_EQ(KxVerify(KxSchemeV15Signature, key, sig.out, abc).rc, 0);
    EXPECT_EQ(KxUnseal(KxSchemeOaep, key, KxSeal(KxSchemeOaep, key, data).out).out, data);
    EXPECT_EQ(KxVerify(KxSchemePss, key, KxSign(KxSchemePss, key, data).out, data).rc, 0);
}
