// Key generation: KxGenerateRsaKey beside OpenSSL's EVP_RSA_gen, both with
// e = 65537, in the same run. The time of one key varies a lot with the
// distance to the next primes, so each repetition averages several keys
// (Iterations) and the median is over the repetitions, e.g.
//   kxrsa_bench --benchmark_filter=Generate --benchmark_repetitions=5
//               --benchmark_report_aggregates_only=true
// The ratio is that of the two medians. Where the time goes (the Miller-Rabin
// test, the sieve's gcd, the rest) is measured with a profiler, e.g.
//   perf record --call-graph dwarf kxrsa_bench --benchmark_filter=GenerateRsaKey_Kx/2048
//   perf report --children   (IsProbablePrime, BnGcd, KxGenerateRsaKey)
#include <benchmark/benchmark.h>
#include <openssl/evp.h>
#include <openssl/rsa.h>

#include <vector>

#include "bench_builds.h"
#include "kxrsa.h"

namespace {

void KxGenerate(benchmark::State& state, const KxBuild& kx) {
    const uint32_t modulusLength = static_cast<uint32_t>(state.range(0) / 8);
    std::vector<std::vector<uint8_t>> buffers(8, std::vector<uint8_t>(modulusLength));
    for (auto _ : state) {
        OctetString r[8];
        for (int i = 0; i < 8; ++i) r[i] = OctetString{buffers[i].data(), modulusLength};
        uint32_t error = 0;
        if (kx.generateKey(modulusLength, 3, &r[0], &r[1], &r[2], &r[3], &r[4], &r[5], &r[6], &r[7],
                           &error) != 0) {
            state.SkipWithError("KxGenerateRsaKey failed");
            return;
        }
        benchmark::DoNotOptimize(buffers[2].data());
    }
}

void GenerateRsaKey_OpenSsl(benchmark::State& state) {
    for (auto _ : state) {
        EVP_PKEY* key = EVP_RSA_gen(static_cast<unsigned>(state.range(0)));
        if (key == nullptr) {
            state.SkipWithError("EVP_RSA_gen failed");
            return;
        }
        EVP_PKEY_free(key);
    }
}

// 16 keys per repetition at both sizes.
void KeySizes(benchmark::internal::Benchmark* b) {
    b->Arg(1024)->Arg(2048)->Iterations(16)->Unit(benchmark::kMillisecond);
}

const int kGenerate = RegisterKxBenchmark("GenerateRsaKey_Kx", KxGenerate, KeySizes);
BENCHMARK(GenerateRsaKey_OpenSsl)->Apply(KeySizes);

}  // namespace
