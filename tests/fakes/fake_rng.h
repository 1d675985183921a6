// fake_rng.h: the scripted stand-in for libkxrng.so, and how a test reaches it.
//
// The stand-in (tests/fakes/fake_rng.cpp, CMake target kxrng_fake) is a
// separate libkxrng.so built into <build>/fakes/rng. A test program registered
// with
//     kx_add_test(test_x SOURCES test_x.cpp ENV "${KX_FAKE_RNG_ENV}")
// runs with LD_LIBRARY_PATH=<build>/fakes/rng, which the loader searches
// before the program's RUNPATH (<build>/lib), so the stand-in replaces the
// real generator for libkxrsa's code in that process. Without that variable
// the same program gets the real generator and FakeRng().loaded is false:
// a test that needs the stand-in starts with KX_REQUIRE_FAKE_RNG(): it fails
// when KX_FAKE_RNG_ENV was given (KX_FAKE_RNG=1) but the stand-in is not the
// generator in use, and skips the test in a run with the real generator;
// it then resets the stand-in with seed 0.
// (The program must call into the generator, e.g. through DrawRandomBytes
// or BnRandom, or the linker drops libkxrng.so and nothing is found.)
//
// Behaviour of KxRngGenerate(count, out, error) in the stand-in, per call:
//   1. The call is counted (calls(), 1-based). If it is the n-th call after
//      the latest failOnCall(n), it writes 0xEE over all of out[0..count) (a failing
//      generator may leave garbage), stores kFakeRngErrorCode in *error
//      when error is not null, and returns -1. Nothing is drawn.
//   2. Otherwise the bytes come first from the script (scriptBytes(), in
//      order, across calls) and, once the script is used up, from a
//      deterministic generator seeded by reset(seed): the same seed and the
//      same sequence of requests give the same bytes, so key generation and
//      blinding are reproducible. Returns 0.
//   bytesDrawn() sums the counts of successful calls; lastCount() is the
//   count of the latest call (failed ones too).
// KxRngSetJCMVPMode(mode) records the mode (lastMode()) and returns 0.
// reset(seed) clears the script, the failure, the counters and the mode
// (to -1, "never set"). The library starts as after reset(0).
#ifndef KXRSA_TESTS_FAKES_FAKE_RNG_H
#define KXRSA_TESTS_FAKES_FAKE_RNG_H

#include <dlfcn.h>

#include <cstdint>
#include <cstdlib>

// The code a failing stand-in writes to *error: no kxrsa code, so a test sees
// whether a caller passes the generator's code on.
constexpr uint32_t kFakeRngErrorCode = 0x0BADC0DE;

// Control entry points of the stand-in (C linkage, exported next to
// KxRngGenerate and KxRngSetJCMVPMode).
extern "C" {
typedef void (*KxFakeRngScriptFn)(const uint8_t* bytes, uint32_t count);  // replace the script
typedef void (*KxFakeRngFailOnCallFn)(uint32_t n);   // fail call n (1-based, from now); 0 never
typedef void (*KxFakeRngResetFn)(uint32_t seed);
typedef uint32_t (*KxFakeRngCallsFn)();
typedef uint64_t (*KxFakeRngBytesDrawnFn)();
typedef uint32_t (*KxFakeRngLastCountFn)();
typedef int32_t (*KxFakeRngLastModeFn)();
}

struct FakeRngApi {
    bool loaded = false;  // every entry point below was found
    KxFakeRngScriptFn script = nullptr;
    KxFakeRngFailOnCallFn failOnCall = nullptr;
    KxFakeRngResetFn reset = nullptr;
    KxFakeRngCallsFn calls = nullptr;
    KxFakeRngBytesDrawnFn bytesDrawn = nullptr;
    KxFakeRngLastCountFn lastCount = nullptr;
    KxFakeRngLastModeFn lastMode = nullptr;
};

// FakeRng: the stand-in's entry points as loaded in this process (looked up
// once through the global scope), or loaded == false under the real generator.
inline const FakeRngApi& FakeRng() {
    static const FakeRngApi api = [] {
        FakeRngApi a;
        a.script = reinterpret_cast<KxFakeRngScriptFn>(dlsym(RTLD_DEFAULT, "KxFakeRngScript"));
        a.failOnCall = reinterpret_cast<KxFakeRngFailOnCallFn>(dlsym(RTLD_DEFAULT, "KxFakeRngFailOnCall"));
        a.reset = reinterpret_cast<KxFakeRngResetFn>(dlsym(RTLD_DEFAULT, "KxFakeRngReset"));
        a.calls = reinterpret_cast<KxFakeRngCallsFn>(dlsym(RTLD_DEFAULT, "KxFakeRngCalls"));
        a.bytesDrawn = reinterpret_cast<KxFakeRngBytesDrawnFn>(dlsym(RTLD_DEFAULT, "KxFakeRngBytesDrawn"));
        a.lastCount = reinterpret_cast<KxFakeRngLastCountFn>(dlsym(RTLD_DEFAULT, "KxFakeRngLastCount"));
        a.lastMode = reinterpret_cast<KxFakeRngLastModeFn>(dlsym(RTLD_DEFAULT, "KxFakeRngLastMode"));
        a.loaded = a.script && a.failOnCall && a.reset && a.calls && a.bytesDrawn && a.lastCount &&
                   a.lastMode;
        return a;
    }();
    return api;
}

// FakeRngExpected: the test was registered with KX_FAKE_RNG_ENV.
inline bool FakeRngExpected() { return std::getenv("KX_FAKE_RNG") != nullptr; }

// For GoogleTest bodies: run with the stand-in, fail if it was asked for but the
// real generator answered, skip when the run uses the real generator.
#define KX_REQUIRE_FAKE_RNG()                                                          \
    do {                                                                               \
        if (!FakeRng().loaded) {                                                       \
            ASSERT_FALSE(FakeRngExpected()) << "libkxrng.so is not the test stand-in"; \
            GTEST_SKIP() << "needs the scripted generator (KX_FAKE_RNG_ENV)";          \
        }                                                                              \
        FakeRng().reset(0);                                                            \
    } while (0)

#endif  // KXRSA_TESTS_FAKES_FAKE_RNG_H
