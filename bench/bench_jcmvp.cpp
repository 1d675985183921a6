// The JCMVP mode: what switching on costs (loading the status library and its
// power-up known-answer test of kxrsa, then switching off, which unloads it),
// beside OpenSSL doing the test's six RSA operations on a 1024-bit key; and
// what the entry gate adds to one raw public operation while the mode is on.
//   kxrsa_bench --benchmark_filter=Jcmvp --benchmark_repetitions=5
//               --benchmark_report_aggregates_only=true
#include <benchmark/benchmark.h>
#include <openssl/evp.h>
#include <openssl/rsa.h>

#include <vector>

#include "bench_keys.h"
#include "kxrsa.h"

namespace {

void KxJcmvpSwitchOnOff(benchmark::State& state) {
    for (auto _ : state) {
        if (KxRsaSetJCMVPMode(1) != 0) {
            state.SkipWithError("switching on failed");
            break;
        }
        KxRsaSetJCMVPMode(0);
    }
}

bool OpenSslRaw(EVP_PKEY_CTX* ctx, bool isPublic, const std::vector<uint8_t>& in, std::vector<uint8_t>* out) {
    size_t length = out->size();
    return isPublic ? EVP_PKEY_encrypt(ctx, out->data(), &length, in.data(), in.size()) == 1
                    : EVP_PKEY_decrypt(ctx, out->data(), &length, in.data(), in.size()) == 1;
}

// The self-test's work done by OpenSSL: one raw public and two raw private
// operations, one v1.5 SHA-256 signature and two verifications.
void OpenSslJcmvpSelfTestWork(benchmark::State& state) {
    const BenchKey& key = BenchKeyOf(1024);
    std::vector<uint8_t> in = BenchInput(128, 3), sealed(128), opened(128), message(32, 0x61);
    EVP_PKEY_CTX* pub = EVP_PKEY_CTX_new(key.pkey, nullptr);
    EVP_PKEY_CTX* priv = EVP_PKEY_CTX_new(key.pkey, nullptr);
    EVP_PKEY_encrypt_init(pub);
    EVP_PKEY_CTX_set_rsa_padding(pub, RSA_NO_PADDING);
    EVP_PKEY_decrypt_init(priv);
    EVP_PKEY_CTX_set_rsa_padding(priv, RSA_NO_PADDING);
    EVP_MD_CTX* md = EVP_MD_CTX_new();
    std::vector<uint8_t> signature(128);
    for (auto _ : state) {
        size_t signatureLength = signature.size();
        bool ok = OpenSslRaw(pub, true, in, &sealed) && OpenSslRaw(priv, false, sealed, &opened) &&
                  OpenSslRaw(priv, false, sealed, &opened) &&
                  EVP_DigestSignInit(md, nullptr, EVP_sha256(), nullptr, key.pkey) == 1 &&
                  EVP_DigestSign(md, signature.data(), &signatureLength, message.data(), message.size()) == 1;
        // The second verification is of a changed signature, which must fail.
        for (int i = 0; ok && i < 2; ++i) {
            ok = EVP_DigestVerifyInit(md, nullptr, EVP_sha256(), nullptr, key.pkey) == 1 &&
                 EVP_DigestVerify(md, signature.data(), signatureLength, message.data(), message.size()) == (i == 0);
            signature[127] ^= 1;
        }
        if (!ok) {
            state.SkipWithError("OpenSSL operation failed");
            break;
        }
        benchmark::DoNotOptimize(opened.data());
    }
    EVP_MD_CTX_free(md);
    EVP_PKEY_CTX_free(pub);
    EVP_PKEY_CTX_free(priv);
}

// KxSealRsaBlock, 1024 bits, e = 65537, with the mode off (range 0) or on (1).
void KxJcmvpGatedSeal(benchmark::State& state) {
    const BenchKey& key = BenchKeyOf(1024);
    std::vector<uint8_t> in = BenchInput(128, 1), out(128);
    OctetString e = Record(key.e), n = Record(key.n), x = Record(in);
    if (state.range(0) == 1 && KxRsaSetJCMVPMode(1) != 0) {
        state.SkipWithError("switching on failed");
        return;
    }
    for (auto _ : state) {
        OctetString y{out.data(), 0};
        uint32_t error = 0;
        if (KxSealRsaBlock(&e, &n, &x, &y, &error) != 0) {
            state.SkipWithError("KxSealRsaBlock failed");
            break;
        }
        benchmark::DoNotOptimize(out.data());
    }
    KxRsaSetJCMVPMode(0);
}

}  // namespace

BENCHMARK(KxJcmvpSwitchOnOff)->Unit(benchmark::kMillisecond);
BENCHMARK(OpenSslJcmvpSelfTestWork)->Unit(benchmark::kMillisecond);
BENCHMARK(KxJcmvpGatedSeal)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
