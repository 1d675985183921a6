// The raw public-key operation: KxSealRsaBlock beside OpenSSL's raw public
// operation (no padding) and its BN_mod_exp, on the same keys and inputs.
//
// Two exponents per key size: e = 65537 (the public operation proper) and a
// full-length one (the key's d), which makes every reduction of the long
// division count. Compare medians, e.g.
//   kxrsa_bench --benchmark_filter=Seal --benchmark_repetitions=5
//               --benchmark_report_aggregates_only=true
#include <benchmark/benchmark.h>
#include <openssl/bn.h>
#include <openssl/evp.h>
#include <openssl/rsa.h>

#include <cstdlib>
#include <vector>

#include "bench_builds.h"
#include "bench_keys.h"
#include "kxrsa.h"

namespace {

enum class Exponent { Public, Full };

const std::vector<uint8_t>& ExponentOf(const BenchKey& key, Exponent which) {
    return which == Exponent::Public ? key.e : key.d;
}

void KxSeal(benchmark::State& state, Exponent which, const KxBuild& kx) {
    const BenchKey& key = BenchKeyOf(static_cast<int>(state.range(0)));
    std::vector<uint8_t> in = BenchInput(static_cast<uint32_t>(key.n.size()), 1);
    std::vector<uint8_t> out(key.n.size());
    OctetString e = Record(ExponentOf(key, which)), n = Record(key.n), x = Record(in);
    for (auto _ : state) {
        OctetString y{out.data(), static_cast<uint32_t>(out.size())};
        uint32_t error = 0;
        if (kx.seal(&e, &n, &x, &y, &error) != 0) {
            state.SkipWithError("KxSealRsaBlock failed");
            return;
        }
        benchmark::DoNotOptimize(out.data());
    }
}

// OpenSSL's raw public operation, e = 65537, no padding.
void OpenSslPublicRaw(benchmark::State& state) {
    const BenchKey& key = BenchKeyOf(static_cast<int>(state.range(0)));
    RunOpenSslRaw(state, key, BenchInput(static_cast<uint32_t>(key.n.size()), 1), false);
}

// OpenSSL's BN_mod_exp on the same operands as KxSeal.
void OpenSslModExp(benchmark::State& state, Exponent which) {
    const BenchKey& key = BenchKeyOf(static_cast<int>(state.range(0)));
    std::vector<uint8_t> in = BenchInput(static_cast<uint32_t>(key.n.size()), 1);
    const std::vector<uint8_t>& exp = ExponentOf(key, which);
    BN_CTX* ctx = BN_CTX_new();
    BIGNUM* n = BN_bin2bn(key.n.data(), static_cast<int>(key.n.size()), nullptr);
    BIGNUM* e = BN_bin2bn(exp.data(), static_cast<int>(exp.size()), nullptr);
    BIGNUM* x = BN_bin2bn(in.data(), static_cast<int>(in.size()), nullptr);
    BIGNUM* y = BN_new();
    for (auto _ : state) {
        if (BN_mod_exp(y, x, e, n, ctx) != 1) {
            state.SkipWithError("BN_mod_exp failed");
            break;
        }
        benchmark::DoNotOptimize(y);
    }
    BN_free(y);
    BN_free(x);
    BN_free(e);
    BN_free(n);
    BN_CTX_free(ctx);
}

void SealRawPublic_OpenSsl(benchmark::State& s) { OpenSslPublicRaw(s); }
void SealModExpPublic_OpenSslBn(benchmark::State& s) { OpenSslModExp(s, Exponent::Public); }
void SealFullExponent_OpenSslBn(benchmark::State& s) { OpenSslModExp(s, Exponent::Full); }

const int kSealPublic = RegisterKxBenchmark(
    "SealRawPublic_Kx", [](benchmark::State& s, const KxBuild& kx) { KxSeal(s, Exponent::Public, kx); },
    [](benchmark::internal::Benchmark* b) { b->Arg(1024)->Arg(2048); });
BENCHMARK(SealRawPublic_OpenSsl)->Arg(1024)->Arg(2048);
BENCHMARK(SealModExpPublic_OpenSslBn)->Arg(1024)->Arg(2048);
const int kSealFull = RegisterKxBenchmark(
    "SealFullExponent_Kx", [](benchmark::State& s, const KxBuild& kx) { KxSeal(s, Exponent::Full, kx); },
    [](benchmark::internal::Benchmark* b) { b->Arg(1024)->Arg(2048)->Unit(benchmark::kMillisecond); });
BENCHMARK(SealFullExponent_OpenSslBn)->Arg(1024)->Arg(2048)->Unit(benchmark::kMillisecond);

}  // namespace
