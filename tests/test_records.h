// test_records.h: helpers shared by the test programs that need no oracle:
// byte strings and records, keys as kxrsa records, and the kxrsa PKCS exports
// over such keys. test_support.h adds OpenSSL and GMP.
#ifndef KXRSA_TESTS_TEST_RECORDS_H
#define KXRSA_TESTS_TEST_RECORDS_H

#include <cstdint>
#include <string>
#include <vector>

#include "kxrsa.h"

// OpenSSL's own name for its key type, so that a TestKey can carry an
// OpenSSL key without this header needing OpenSSL.
typedef struct evp_pkey_st EVP_PKEY;

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

// A key as byte strings; pkey is set when OpenSSL made it (test_support.h).
struct TestKey {
    EVP_PKEY* pkey = nullptr;
    Bytes n, e, d, p, q, dP, dQ, qInv;
    OctetString N() const { return Rec(n); }
    OctetString E() const { return Rec(e); }
    uint32_t k() const { return static_cast<uint32_t>(n.size()); }
};

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

inline uint32_t HashLengthOf(uint32_t hashIndex) {
    static const uint32_t LENGTHS[6] = {16, 16, 20, 32, 48, 64};
    return LENGTHS[hashIndex];
}

#endif
