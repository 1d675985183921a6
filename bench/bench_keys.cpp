// see bench_keys.h
#include "bench_keys.h"

#include <openssl/bn.h>
#include <openssl/core_names.h>
#include <openssl/rsa.h>

#include <cstdio>
#include <cstdlib>
#include <map>

namespace {

std::vector<uint8_t> Component(EVP_PKEY* pkey, const char* name) {
    BIGNUM* bn = nullptr;
    if (EVP_PKEY_get_bn_param(pkey, name, &bn) != 1) {
        std::fprintf(stderr, "missing key component %s\n", name);
        std::abort();
    }
    std::vector<uint8_t> bytes(BN_num_bytes(bn));
    BN_bn2bin(bn, bytes.data());
    BN_clear_free(bn);
    return bytes;
}

}  // namespace

BenchKey MakeBenchKey(int bits) {
    BenchKey key;
    key.pkey = EVP_RSA_gen(static_cast<unsigned>(bits));
    if (key.pkey == nullptr) std::abort();
    key.n = Component(key.pkey, OSSL_PKEY_PARAM_RSA_N);
    key.e = Component(key.pkey, OSSL_PKEY_PARAM_RSA_E);
    key.d = Component(key.pkey, OSSL_PKEY_PARAM_RSA_D);
    key.p = Component(key.pkey, OSSL_PKEY_PARAM_RSA_FACTOR1);
    key.q = Component(key.pkey, OSSL_PKEY_PARAM_RSA_FACTOR2);
    key.dP = Component(key.pkey, OSSL_PKEY_PARAM_RSA_EXPONENT1);
    key.dQ = Component(key.pkey, OSSL_PKEY_PARAM_RSA_EXPONENT2);
    key.qInv = Component(key.pkey, OSSL_PKEY_PARAM_RSA_COEFFICIENT1);
    return key;
}

const BenchKey& BenchKeyOf(int bits) {
    static std::map<int, BenchKey> keys;
    auto it = keys.find(bits);
    if (it == keys.end()) it = keys.emplace(bits, MakeBenchKey(bits)).first;
    return it->second;
}

std::vector<uint8_t> BenchInput(uint32_t length, uint32_t seed) {
    std::vector<uint8_t> bytes(length);
    uint32_t x = seed * 2654435761u + 1;
    for (auto& b : bytes) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        b = static_cast<uint8_t>(x);
    }
    if (!bytes.empty()) bytes[0] &= 0x7F;
    return bytes;
}

void RunOpenSslRaw(benchmark::State& state, const BenchKey& key, const std::vector<uint8_t>& in,
                   bool privateOp) {
    std::vector<uint8_t> out(key.n.size());
    EVP_PKEY_CTX* ctx = EVP_PKEY_CTX_new(key.pkey, nullptr);
    if (ctx == nullptr || (privateOp ? EVP_PKEY_decrypt_init(ctx) : EVP_PKEY_encrypt_init(ctx)) != 1 ||
        EVP_PKEY_CTX_set_rsa_padding(ctx, RSA_NO_PADDING) != 1) {
        state.SkipWithError("EVP setup failed");
        EVP_PKEY_CTX_free(ctx);
        return;
    }
    for (auto _ : state) {
        size_t outLen = out.size();
        int ok = privateOp ? EVP_PKEY_decrypt(ctx, out.data(), &outLen, in.data(), in.size())
                           : EVP_PKEY_encrypt(ctx, out.data(), &outLen, in.data(), in.size());
        if (ok != 1) {
            state.SkipWithError("OpenSSL raw operation failed");
            break;
        }
        benchmark::DoNotOptimize(out.data());
    }
    EVP_PKEY_CTX_free(ctx);
}
