// The raw private-key operations: KxUnsealRsaBlock and its two blinded forms
// beside OpenSSL's raw private operation (EVP_PKEY_decrypt, no padding: CRT
// with blinding, as OpenSSL does by default), on the same keys and inputs.
// The keys are chosen so that the exponent KxUnsealRsaBlockBlinding derives
// is nearly as long as n (see UnsealKeyOf). Compare medians, e.g.
//   kxrsa_bench --benchmark_filter=Unseal --benchmark_repetitions=5
//               --benchmark_report_aggregates_only=true
#include <benchmark/benchmark.h>
#include <openssl/bn.h>
#include <openssl/core_names.h>
#include <openssl/evp.h>
#include <openssl/rsa.h>

#include <cstdlib>
#include <map>
#include <vector>

#include "bench_builds.h"
#include "bench_keys.h"
#include "kxrsa.h"

namespace {

enum class Variant { Plain, Blinding, Blinding2 };

// Bits of the exponent KxUnsealRsaBlockBlinding derives, d^-1 mod (p-1)(q-1).
// It is e + j·lcm(p-1, q-1) for some j below gcd(p-1, q-1), so a fresh key
// gives either e itself or a number nearly as long as n.
double DerivedExponentBits(const BenchKey& key) {
    BN_CTX* ctx = BN_CTX_new();
    BIGNUM* p = BN_bin2bn(key.p.data(), static_cast<int>(key.p.size()), nullptr);
    BIGNUM* q = BN_bin2bn(key.q.data(), static_cast<int>(key.q.size()), nullptr);
    BIGNUM* d = BN_bin2bn(key.d.data(), static_cast<int>(key.d.size()), nullptr);
    BIGNUM* phi = BN_new();
    BN_sub_word(p, 1);
    BN_sub_word(q, 1);
    BN_mul(phi, p, q, ctx);
    BIGNUM* e = BN_mod_inverse(nullptr, d, phi, ctx);
    double bits = e != nullptr ? BN_num_bits(e) : -1;
    BN_free(e);
    BN_free(phi);
    BN_clear_free(d);
    BN_clear_free(q);
    BN_clear_free(p);
    BN_CTX_free(ctx);
    return bits;
}

// d = e^-1 mod lcm(p - 1, q - 1), the smallest private exponent. OpenSSL
// gives it for 2048 bits but e^-1 mod (p - 1)(q - 1) below that, whose derived
// exponent is always e itself; the CRT components are the same for both.
std::vector<uint8_t> LcmPrivateExponent(const BenchKey& key) {
    BN_CTX* ctx = BN_CTX_new();
    BIGNUM* p = BN_bin2bn(key.p.data(), static_cast<int>(key.p.size()), nullptr);
    BIGNUM* q = BN_bin2bn(key.q.data(), static_cast<int>(key.q.size()), nullptr);
    BIGNUM* e = BN_bin2bn(key.e.data(), static_cast<int>(key.e.size()), nullptr);
    BIGNUM *g = BN_new(), *lambda = BN_new(), *rem = BN_new();
    BN_sub_word(p, 1);
    BN_sub_word(q, 1);
    BN_gcd(g, p, q, ctx);
    BN_mul(lambda, p, q, ctx);
    BN_div(lambda, rem, lambda, g, ctx);
    BIGNUM* d = BN_mod_inverse(nullptr, e, lambda, ctx);
    if (d == nullptr) std::abort();
    std::vector<uint8_t> bytes(BN_num_bytes(d));
    BN_bn2bin(d, bytes.data());
    for (BIGNUM* x : {p, q, e, g, lambda, rem, d}) BN_clear_free(x);
    BN_CTX_free(ctx);
    return bytes;
}

// A key of `bits` bits, d taken modulo lcm(p - 1, q - 1), whose derived
// exponent has more than bits/2 bits: the costly case the blinded figure is
// meant to show (for about half the keys the derived exponent is e itself).
// Made on first use and kept; after 20 tries the last key is kept anyway.
const BenchKey& UnsealKeyOf(int bits) {
    static std::map<int, BenchKey> keys;
    auto it = keys.find(bits);
    if (it != keys.end()) return it->second;
    for (int tries = 1;; ++tries) {
        BenchKey key = MakeBenchKey(bits);
        key.d = LcmPrivateExponent(key);
        if (DerivedExponentBits(key) > bits / 2 || tries == 20)
            return keys.emplace(bits, key).first->second;
        EVP_PKEY_free(key.pkey);
    }
}

void KxUnseal(benchmark::State& state, Variant variant, const KxBuild& kx) {
    const BenchKey& key = UnsealKeyOf(static_cast<int>(state.range(0)));
    std::vector<uint8_t> in = BenchInput(static_cast<uint32_t>(key.n.size()), 2);
    std::vector<uint8_t> out(key.n.size());
    OctetString d = Record(key.d), e = Record(key.e), n = Record(key.n), p = Record(key.p),
                q = Record(key.q), dP = Record(key.dP), dQ = Record(key.dQ), qInv = Record(key.qInv),
                c = Record(in);
    for (auto _ : state) {
        OctetString m{out.data(), 0};
        uint32_t error = 0;
        int32_t result = -1;
        switch (variant) {
            case Variant::Plain:
                result = kx.unseal(&d, &n, &p, &q, &dP, &dQ, &qInv, &c, &m, &error);
                break;
            case Variant::Blinding:
                result = kx.unsealBlinding(&d, &n, &p, &q, &dP, &dQ, &qInv, &c, &m, &error);
                break;
            case Variant::Blinding2:
                result = kx.unsealBlinding2(&d, &e, &n, &p, &q, &dP, &dQ, &qInv, &c, &m, &error);
                break;
        }
        if (result != 0) {
            state.SkipWithError("private-key operation failed");
            return;
        }
        benchmark::DoNotOptimize(out.data());
    }
    if (variant == Variant::Blinding) state.counters["derived_E_bits"] = DerivedExponentBits(key);
}

// OpenSSL's raw private operation: CRT, blinding on, no padding.
void OpenSslPrivateRaw(benchmark::State& state) {
    const BenchKey& key = UnsealKeyOf(static_cast<int>(state.range(0)));
    RunOpenSslRaw(state, key, BenchInput(static_cast<uint32_t>(key.n.size()), 2), true);
}

void UnsealRawPrivate_OpenSsl(benchmark::State& s) { OpenSslPrivateRaw(s); }

void PrivateKeySizes(benchmark::internal::Benchmark* b) {
    b->Arg(1024)->Arg(2048)->Unit(benchmark::kMicrosecond);
}

BENCHMARK(UnsealRawPrivate_OpenSsl)->Apply(PrivateKeySizes);
const int kUnsealPlain = RegisterKxBenchmark(
    "UnsealRawPrivate_Kx", [](benchmark::State& s, const KxBuild& kx) { KxUnseal(s, Variant::Plain, kx); },
    PrivateKeySizes);
const int kUnsealBlinding = RegisterKxBenchmark(
    "UnsealRawPrivate_KxBlinding",
    [](benchmark::State& s, const KxBuild& kx) { KxUnseal(s, Variant::Blinding, kx); }, PrivateKeySizes);
const int kUnsealBlinding2 = RegisterKxBenchmark(
    "UnsealRawPrivate_KxBlinding2",
    [](benchmark::State& s, const KxBuild& kx) { KxUnseal(s, Variant::Blinding2, kx); }, PrivateKeySizes);

}  // namespace
