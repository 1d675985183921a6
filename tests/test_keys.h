// test_keys.h: RSA keys and the raw RSA operations as an oracle, for the test
// programs that run on Linux and Windows alike. On Linux: fresh keys made by
// OpenSSL and OpenSSL's raw operations (test_support.h). On Windows, where
// there is no OpenSSL: the keys of tests/vectors/kat_rsa.txt and kxrsa's own
// raw exports, which test_kat holds to the answers GMP gave for those keys.
#ifndef KXRSA_TESTS_TEST_KEYS_H
#define KXRSA_TESTS_TEST_KEYS_H

#if defined(_WIN32)
#include <cstdlib>
#include <map>

#include "kat_file.h"

// The key of `bits` bits (512, 1024 or 2048) of kat_rsa.txt.
inline const TestKey& KeyOf(int bits) {
    static std::map<int, TestKey> keys;
    auto it = keys.find(bits);
    if (it != keys.end()) return it->second;
    TestKey key = KatKeyNamed(KX_VECTORS_DIR "/kat_rsa.txt", "rsa" + std::to_string(bits));
    if (key.n.empty()) std::abort();
    return keys.emplace(bits, key).first->second;
}

// The raw operation on the key as a k-byte block: in^d mod n or in^e mod n.
inline Bytes RawOracle(const TestKey& key, const Bytes& in, bool privateOp) {
    Bytes out(key.k());
    PrivateRecords k(key);
    OctetString e = key.E(), input = Rec(in), output = Rec(out);
    uint32_t error = 0;
    const int32_t rc = privateOp ? KxUnsealRsaBlock(&k.d, &k.n, &k.p, &k.q, &k.dP, &k.dQ, &k.qInv, &input, &output, &error)
                                 : KxSealRsaBlock(&e, &k.n, &input, &output, &error);
    if (rc != 0) return {};
    out.resize(output.length);
    out.insert(out.begin(), key.k() - out.size(), 0);
    return out;
}
#else
#include "test_support.h"

inline Bytes RawOracle(const TestKey& key, const Bytes& in, bool privateOp) { return OsslRaw(key, in, privateOp); }
#endif

#endif
