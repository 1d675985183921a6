// bench_keys.h: RSA keys made once per benchmark run by OpenSSL, with their
// components as big-endian byte strings ready for kxrsa's records.
#ifndef KXRSA_BENCH_BENCH_KEYS_H
#define KXRSA_BENCH_BENCH_KEYS_H

#include <benchmark/benchmark.h>
#include <openssl/evp.h>

#include <cstdint>
#include <vector>

#include "kxrsa.h"

struct BenchKey {
    EVP_PKEY* pkey = nullptr;  // the same key for the OpenSSL side
    std::vector<uint8_t> n, e, d, p, q, dP, dQ, qInv;
};

// The key of `bits` bits with e = 65537, made on first use and kept.
const BenchKey& BenchKeyOf(int bits);

// A new key of `bits` bits (e = 65537) with its components; the caller keeps
// or frees key.pkey.
BenchKey MakeBenchKey(int bits);

// A record over a byte string (kxrsa only reads input records).
inline OctetString Record(const std::vector<uint8_t>& bytes) {
    return OctetString{const_cast<uint8_t*>(bytes.data()), static_cast<uint32_t>(bytes.size())};
}

// Times OpenSSL's raw RSA operation (no padding) on `key`: the private one
// (CRT, blinding on) or the public one, on `in`.
void RunOpenSslRaw(benchmark::State& state, const BenchKey& key, const std::vector<uint8_t>& in,
                   bool privateOp);

// `length` deterministic pseudo-random bytes with a top byte below 0x80, so the
// value is below any modulus of that length whose top bit is set.
std::vector<uint8_t> BenchInput(uint32_t length, uint32_t seed);

#endif
