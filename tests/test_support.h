// test_support.h: the oracles of the test programs (Linux only): RSA keys made
// by OpenSSL with their components as kxrsa records, OpenSSL's raw operations
// and digests, GMP conversions. The rest: test_records.h.
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

#include "test_records.h"

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

// Big-endian bytes to and from GMP integers (minimal form; zero is empty).
inline void MpzFromBytes(mpz_t r, const Bytes& b) { mpz_import(r, b.size(), 1, 1, 1, 0, b.data()); }
inline Bytes BytesFromMpz(const mpz_t v) {
    Bytes out((mpz_sizeinbase(v, 2) + 7) / 8);
    size_t count = 0;
    if (mpz_sgn(v) != 0) mpz_export(out.data(), &count, 1, 1, 1, 0, v);
    out.resize(count);
    return out;
}

// x^e mod n by GMP, in minimal form.
inline Bytes PowMod(const Bytes& x, const Bytes& e, const Bytes& n) {
    mpz_t X, E, N;
    mpz_inits(X, E, N, nullptr);
    MpzFromBytes(X, x), MpzFromBytes(E, e), MpzFromBytes(N, n);
    mpz_powm(X, X, E, N);
    Bytes r = BytesFromMpz(X);
    mpz_clears(X, E, N, nullptr);
    return r;
}

#endif
