// The scripted stand-in for libkxrng.so, loaded by a test registered with ENV
// "${KX_FAKE_RNG_ENV}" that calls the generator itself (else FakeRng().loaded is
// false). The n-th call after failOnCall(n) writes 0xEE over out, kFakeRngErrorCode
// to *error, returns -1; others give the script's bytes, then bytes seeded by reset().
#ifndef KXRSA_TESTS_FAKES_FAKE_RNG_H
#define KXRSA_TESTS_FAKES_FAKE_RNG_H

#if defined(_WIN32)
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <dlfcn.h>
#endif

#include <algorithm>
#include <cstdint>
#include <cstdlib>

constexpr uint32_t kFakeRngErrorCode = 0x0BADC0DE;  // no kxrsa code: shows whether it is passed on

// The stand-in's state, reached through its export KxFakeRngState.
struct FakeRngState {
    uint8_t script[1u << 16];
    uint32_t scriptLength, scriptPos, calls, failCall;  // failCall: absolute number; 0 never
    uint64_t bytesDrawn, prng;
};

struct FakeRngApi {
    FakeRngState* s;
    bool loaded;
    void script(const uint8_t* bytes, uint32_t count) const {  // replaces the script
        s->scriptLength = std::min<uint32_t>(count, sizeof s->script), s->scriptPos = 0;
        std::copy(bytes, bytes + s->scriptLength, s->script);
    }
    void failOnCall(uint32_t n) const { s->failCall = n == 0 ? 0 : s->calls + n; }  // call n from now; 0 never
    void reset(uint32_t seed) const { *s = FakeRngState{}, s->prng = seed; }  // clears everything else
    uint32_t calls() const { return s->calls; }
    uint64_t bytesDrawn() const { return s->bytesDrawn; }  // of the successful calls
};

// The stand-in's KxFakeRngState, when the generator loaded is the stand-in.
inline void* FakeRngStateEntry() {
#if defined(_WIN32)
    HMODULE rng = GetModuleHandleA("kxrng.dll");
    return rng != nullptr ? reinterpret_cast<void*>(GetProcAddress(rng, "KxFakeRngState")) : nullptr;
#else
    return dlsym(RTLD_DEFAULT, "KxFakeRngState");
#endif
}

inline const FakeRngApi& FakeRng() {
    static auto* get = reinterpret_cast<FakeRngState* (*)()>(FakeRngStateEntry());
    static const FakeRngApi api{get ? get() : nullptr, get != nullptr};
    return api;
}

// For test bodies: fails if the stand-in was asked for (KX_FAKE_RNG) but is not
// the generator, skips in a run with the real generator; then reset(0).
#define KX_REQUIRE_FAKE_RNG()                                                                             \
    do {                                                                                                  \
        if (!FakeRng().loaded) { ASSERT_FALSE(std::getenv("KX_FAKE_RNG")) << "the generator is not the fake"; } \
        if (!FakeRng().loaded) GTEST_SKIP() << "needs the scripted generator (KX_FAKE_RNG_ENV)";          \
        FakeRng().reset(0);                                                                               \
    } while (0)

#endif  // KXRSA_TESTS_FAKES_FAKE_RNG_H
