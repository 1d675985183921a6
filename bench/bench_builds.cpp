// see bench_builds.h
#include "bench_builds.h"

#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

const KxBuild kLinked{KxSealRsaBlock,     KxUnsealRsaBlock,   KxUnsealRsaBlockBlinding,
                      KxUnsealRsaBlockBlinding2, KxSealRsaBlockPKCS, KxUnsealRsaBlockPKCS,
                      KxSignRsaBlockPKCS, KxVerifyRsaBlockPKCS, KxGenerateRsaKey};

template <typename F>
void Bind(void* library, const char* symbol, F* slot) {
    *slot = reinterpret_cast<F>(dlsym(library, symbol));
    if (*slot == nullptr) {
        std::fprintf(stderr, "KX_BASELINE_LIB: no %s\n", symbol);
        std::exit(2);
    }
}

// The baseline build, loaded on first use (RTLD_LOCAL: its exports do not
// stand in for the linked library's); null when KX_BASELINE_LIB is unset.
const KxBuild* Baseline() {
    static const KxBuild* build = [] () -> const KxBuild* {
        const char* path = std::getenv("KX_BASELINE_LIB");
        if (path == nullptr || *path == '\0') return nullptr;
        void* library = dlopen(path, RTLD_NOW | RTLD_LOCAL);
        if (library == nullptr) {
            std::fprintf(stderr, "KX_BASELINE_LIB: %s\n", dlerror());
            std::exit(2);
        }
        static KxBuild b{};
        Bind(library, "KxSealRsaBlock", &b.seal);
        Bind(library, "KxUnsealRsaBlock", &b.unseal);
        Bind(library, "KxUnsealRsaBlockBlinding", &b.unsealBlinding);
        Bind(library, "KxUnsealRsaBlockBlinding2", &b.unsealBlinding2);
        Bind(library, "KxSealRsaBlockPKCS", &b.sealPkcs);
        Bind(library, "KxUnsealRsaBlockPKCS", &b.unsealPkcs);
        Bind(library, "KxSignRsaBlockPKCS", &b.signPkcs);
        Bind(library, "KxVerifyRsaBlockPKCS", &b.verifyPkcs);
        Bind(library, "KxGenerateRsaKey", &b.generateKey);
        return &b;
    }();
    return build;
}

}  // namespace

int RegisterKxBenchmark(const char* name, KxBenchFunction function,
                        void (*configure)(benchmark::internal::Benchmark*)) {
    configure(benchmark::RegisterBenchmark(name, [function](benchmark::State& s) { function(s, kLinked); }));
    if (const KxBuild* base = Baseline())
        configure(benchmark::RegisterBenchmark((std::string(name) + "_base").c_str(),
                                               [function, base](benchmark::State& s) { function(s, *base); }));
    return 0;
}
