// bench_builds.h: the kxrsa builds a benchmark run compares. The library this
// program is linked with is always timed; when KX_BASELINE_LIB names another
// libkxrsa.so (an earlier release, say), that one is loaded beside it and each
// kxrsa benchmark is registered a second time for it, with "_base" added to
// its name, so both builds and OpenSSL are measured in the same run.
#ifndef KXRSA_BENCH_BENCH_BUILDS_H
#define KXRSA_BENCH_BENCH_BUILDS_H

#include <benchmark/benchmark.h>

#include "kxrsa.h"

// The exports the benchmarks call, from one build of the library.
struct KxBuild {
    decltype(&KxSealRsaBlock) seal;
    decltype(&KxUnsealRsaBlock) unseal;
    decltype(&KxUnsealRsaBlockBlinding) unsealBlinding;
    decltype(&KxUnsealRsaBlockBlinding2) unsealBlinding2;
    decltype(&KxSealRsaBlockPKCS) sealPkcs;
    decltype(&KxUnsealRsaBlockPKCS) unsealPkcs;
    decltype(&KxSignRsaBlockPKCS) signPkcs;
    decltype(&KxVerifyRsaBlockPKCS) verifyPkcs;
    decltype(&KxGenerateRsaKey) generateKey;
};

using KxBenchFunction = void (*)(benchmark::State&, const KxBuild&);

// Registers `name` for the linked build and, when there is one, `name`_base
// for the baseline; `configure` sets arguments, units and iterations of each.
// Returns 0, for use in a static initialiser.
int RegisterKxBenchmark(const char* name, KxBenchFunction function,
                        void (*configure)(benchmark::internal::Benchmark*));

#endif  // KXRSA_BENCH_BENCH_BUILDS_H
