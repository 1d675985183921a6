// The scripted stand-in for libkxrng.so (see fake_rng.h); called from one thread.
#include "fake_rng.h"
#include "kxfamily.h"

static FakeRngState s;

static uint8_t SeededByte() {  // splitmix64: reproducible, not for secrets
    uint64_t z = s.prng += 0x9E3779B97F4A7C15ull;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return static_cast<uint8_t>(z ^ (z >> 31));
}

extern "C" KXFAMILY_API FakeRngState* KxFakeRngState() { return &s; }

extern "C" KXFAMILY_API int32_t KxRngGenerate(uint32_t count, uint8_t* out, uint32_t* error) {
    if (++s.calls == s.failCall) {
        std::fill_n(out, count, 0xEE);
        if (error != nullptr) *error = kFakeRngErrorCode;
        return -1;
    }
    for (uint32_t i = 0; i < count; ++i) out[i] = s.scriptPos < s.scriptLength ? s.script[s.scriptPos++] : SeededByte();
    s.bytesDrawn += count;
    return 0;
}

extern "C" KXFAMILY_API int32_t KxRngSetJCMVPMode(int32_t) { return 0; }
