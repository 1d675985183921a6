// test_support.h: helpers shared by the test programs: byte strings and
// records, GMP conversions, RSA keys made by OpenSSL with their components as
// kxrsa records, the kxrsa PKCS exports over such keys, and OpenSSL's raw
// operations as the oracle.
#ifndef KXRSA_TESTS_TEST_SUPPORT_H
#define KXRSA_TESTS_TEST_SUPPORT_H

#include <gmp.h>
#include <openssl/bn.h>
#include <openssl/core_names.h>
#include <openssl/evp.h>
#include <openssl/rsa.h>

#include <cstdint>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "kxrsa.h"

using Bytes = std::vector<uint8_t>;

// A record over a byte string; kxrsa only reads input records. An empty
// string still gets a non-null data pointer (a null one is a missing record).
inline OctetString Rec(const Bytes& b) {
    static uint8_t emptyByte;
    uint8_t* data = b.empty() ? &emptyByte : const_cast<uint8_t*>(b.data());
    return OctetString{data, static_cast<uint32_t>(b.size())};
}

inline Bytes FromHex(const std::string& hex) {
    Bytes out(hex.size() / 2);
    for (size_t i = 0; i < out.size(); ++i) out[i] = static_cast<uint8_t>(std::stoul(hex.substr(2 * i, 2), nullptr, 16));
    return out;
}

inline std::string ToHex(const uint8_t* data, size_t length) {
    static const char* DIGITS = "0123456789abcdef";
    std::string s;
    for (size_t i = 0; i < length; ++i) {
        s += DIGITS[data[i] >> 4];
        s += DIGITS[data[i] & 15];
    }
    return s;
}
inline std::string ToHex(const Bytes& b) { return ToHex(b.data(), b.size()); }


// Deterministic bytes for messages and data.
inline Bytes Pattern(size_t length, uint32_t seed) {
    Bytes out(length);
    uint32_t x = seed * 2654435761u + 0x9E3779B9u;
    for (auto& b : out) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        b = static_cast<uint8_t>(x >> 7);
    }
    return out;
}

struct TestKey {
    EVP_PKEY* pkey = nullptr;
    Bytes n, e, d, p, q, dP, dQ, qInv;
    OctetString N() const { return Rec(n); }
    OctetString E() const { return Rec(e); }
    uint32_t k() const { return static_cast<uint32_t>(n.size()); }
};

inline Bytes KeyComponent(EVP_PKEY* pkey, const char* name) {
    BIGNUM* bn = nullptr;
    if (EVP_PKEY_get_bn_param(pkey, name, &bn) != 1) std::abort();
    Bytes out(BN_num_bytes(bn));
    BN_bn2bin(bn, out.data());
    BN_clear_free(bn);
    return out;
}

// The key of `bits` bits (e = 65537), made on first use and kept.
inline const TestKey& KeyOf(int bits) {
    static struct Cache {
        std::map<int, TestKey> keys;
        ~Cache() {
            for (auto& entry : keys) EVP_PKEY_free(entry.second.pkey);
        }
    } cache;
    std::map<int, TestKey>& keys = cache.keys;
    auto it = keys.find(bits);
    if (it != keys.end()) return it->second;
    TestKey key;
    key.pkey = EVP_RSA_gen(static_cast<unsigned>(bits));
    if (key.pkey == nullptr) std::abort();
    key.n = KeyComponent(key.pkey, OSSL_PKEY_PARAM_RSA_N);
    key.e = KeyComponent(key.pkey, OSSL_PKEY_PARAM_RSA_E);
    key.d = KeyComponent(key.pkey, OSSL_PKEY_PARAM_RSA_D);
    key.p = KeyComponent(key.pkey, OSSL_PKEY_PARAM_RSA_FACTOR1);
    key.q = KeyComponent(key.pkey, OSSL_PKEY_PARAM_RSA_FACTOR2);
    key.dP = KeyComponent(key.pkey, OSSL_PKEY_PARAM_RSA_EXPONENT1);
    key.dQ = KeyComponent(key.pkey, OSSL_PKEY_PARAM_RSA_EXPONENT2);
    key.qInv = KeyComponent(key.pkey, OSSL_PKEY_PARAM_RSA_COEFFICIENT1);
    return keys.emplace(bits, key).first->second;
}

// The private-key records of a key, in the exports' order d, n, p, q, dP, dQ, qInv.
struct PrivateRecords {
    explicit PrivateRecords(const TestKey& key)
        : d(Rec(key.d)), n(Rec(key.n)), p(Rec(key.p)), q(Rec(key.q)), dP(Rec(key.dP)),
          dQ(Rec(key.dQ)), qInv(Rec(key.qInv)) {}
    OctetString d, n, p, q, dP, dQ, qInv;
};

// The kxrsa exports on a key, with an output buffer of k bytes.
struct KxResult {
    int32_t rc = 0;
    uint32_t error = 0xFFFFFFFF;
    Bytes out;
};

inline KxResult KxSeal(uint32_t scheme, const TestKey& key, const Bytes& data) {
    KxResult r;
    r.out.assign(key.k(), 0);
    OctetString e = key.E(), n = key.N(), in = Rec(data), out = Rec(r.out);
    r.rc = KxSealRsaBlockPKCS(scheme, &e, &n, &in, &out, &r.error);
    r.out.resize(r.rc == 0 ? out.length : 0);
    return r;
}

inline KxResult KxUnseal(uint32_t scheme, const TestKey& key, const Bytes& ct) {
    KxResult r;
    r.out.assign(key.k() > ct.size() ? key.k() : ct.size(), 0);
    PrivateRecords k(key);
    OctetString in = Rec(ct), out = Rec(r.out);
    r.rc = KxUnsealRsaBlockPKCS(scheme, &k.d, &k.n, &k.p, &k.q, &k.dP, &k.dQ, &k.qInv, &in, &out,
                                &r.error);
    r.out.resize(r.rc == 0 ? out.length : 0);
    return r;
}

inline KxResult KxSign(uint32_t scheme, const TestKey& key, const Bytes& msg) {
    KxResult r;
    r.out.assign(key.k(), 0);
    PrivateRecords k(key);
    OctetString in = Rec(msg), out = Rec(r.out);
    r.rc = KxSignRsaBlockPKCS(scheme, &k.d, &k.n, &k.p, &k.q, &k.dP, &k.dQ, &k.qInv, &in, &out,
                              &r.error);
    r.out.resize(r.rc == 0 ? out.length : 0);
    return r;
}

inline KxResult KxVerify(uint32_t scheme, const TestKey& key, const Bytes& sig, const Bytes& msg) {
    KxResult r;
    OctetString e = key.E(), n = key.N(), s = Rec(sig), m = Rec(msg);
    r.rc = KxVerifyRsaBlockPKCS(scheme, &e, &n, &s, &m, &r.error);
    return r;
}

// OpenSSL's raw RSA on the key: the k-byte block c^d mod n, and m^e mod n.
inline Bytes OsslRaw(const TestKey& key, const Bytes& in, bool privateOp) {
    EVP_PKEY_CTX* ctx = EVP_PKEY_CTX_new(key.pkey, nullptr);
    Bytes out(key.k());
    size_t outLen = out.size();
    bool ok = ctx != nullptr &&
              (privateOp ? EVP_PKEY_decrypt_init(ctx) : EVP_PKEY_encrypt_init(ctx)) == 1 &&
              EVP_PKEY_CTX_set_rsa_padding(ctx, RSA_NO_PADDING) == 1 &&
              (privateOp ? EVP_PKEY_decrypt(ctx, out.data(), &outLen, in.data(), in.size())
                         : EVP_PKEY_encrypt(ctx, out.data(), &outLen, in.data(), in.size())) == 1;
    EVP_PKEY_CTX_free(ctx);
    if (!ok) return {};
    out.resize(outLen);
    return out;
}

// The OpenSSL digest of a hash index (MD2 has none in the default provider).
inline const EVP_MD* MdOf(uint32_t hashIndex) {
    switch (hashIndex) {
        case KxHashMd5: return EVP_md5();
        case KxHashSha1: return EVP_sha1();
        case KxHashSha256: return EVP_sha256();
        case KxHashSha384: return EVP_sha384();
        case KxHashSha512: return EVP_sha512();
        default: return nullptr;
    }
}

inline uint32_t HashLengthOf(uint32_t hashIndex) {
    static const uint32_t LENGTHS[6] = {16, 16, 20, 32, 48, 64};
    return LENGTHS[hashIndex];
}

// Big-endian bytes to and from GMP integers (minimal form; zero is empty).
inline void MpzFromBytes(mpz_t r, const Bytes& b) { mpz_import(r, b.size(), 1, 1, 1, 0, b.data()); }
inline Bytes BytesFromMpz(const mpz_t v) {
    Bytes out((mpz_sizeinbase(v, 2) + 7) / 8);
    size_t count = 0;
    if (mpz_sgn(v) != 0) mpz_export(out.data(), &count, 1, 1, 1, 0, v);
    out.resize(count);
    return out;
}

#endif
