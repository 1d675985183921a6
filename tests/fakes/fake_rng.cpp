// The scripted stand-in for libkxrng.so (see fake_rng.h for its behaviour).
#include <cstring>
#include <mutex>

#include "fake_rng.h"
#include "kxfamily.h"

namespace {

constexpr uint32_t kMaxScript = 1u << 16;

struct FakeState {
    uint8_t script[kMaxScript];
    uint32_t scriptLength = 0;
    uint32_t scriptPos = 0;
    uint32_t failCall = 0;  // absolute call number that fails; 0 never
    uint32_t calls = 0;
    uint64_t bytesDrawn = 0;
    uint32_t lastCount = 0;
    int32_t lastMode = -1;
    uint64_t prng = 0;
};

std::mutex g_lock;
FakeState g_state;

// splitmix64: a fixed, well-spread sequence from the seed; not for secrets.
uint8_t NextSeededByte(FakeState& s) {
    s.prng += 0x9E3779B97F4A7C15ull;
    uint64_t z = s.prng;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return static_cast<uint8_t>(z ^ (z >> 31));
}

void ResetLocked(uint32_t seed) {
    g_state.scriptLength = g_state.scriptPos = 0;
    g_state.failCall = g_state.calls = g_state.lastCount = 0;
    g_state.bytesDrawn = 0;
    g_state.lastMode = -1;
    g_state.prng = seed;
}

}  // namespace

extern "C" KXFAMILY_API int32_t KxRngGenerate(uint32_t count, uint8_t* out, uint32_t* error) {
    std::lock_guard<std::mutex> hold(g_lock);
    FakeState& s = g_state;
    ++s.calls;
    s.lastCount = count;
    if (s.calls == s.failCall) {
        if (count > 0) memset(out, 0xEE, count);
        if (error != nullptr) *error = kFakeRngErrorCode;
        return -1;
    }
    for (uint32_t i = 0; i < count; ++i)
        out[i] = s.scriptPos < s.scriptLength ? s.script[s.scriptPos++] : NextSeededByte(s);
    s.bytesDrawn += count;
    return 0;
}

extern "C" KXFAMILY_API int32_t KxRngSetJCMVPMode(int32_t mode) {
    std::lock_guard<std::mutex> hold(g_lock);
    g_state.lastMode = mode;
    return 0;
}

extern "C" KXFAMILY_API void KxFakeRngScript(const uint8_t* bytes, uint32_t count) {
    std::lock_guard<std::mutex> hold(g_lock);
    if (count > kMaxScript) count = kMaxScript;
    if (count > 0) memcpy(g_state.script, bytes, count);
    g_state.scriptLength = count;
    g_state.scriptPos = 0;
}

extern "C" KXFAMILY_API void KxFakeRngFailOnCall(uint32_t n) {
    std::lock_guard<std::mutex> hold(g_lock);
    g_state.failCall = n == 0 ? 0 : g_state.calls + n;
}

extern "C" KXFAMILY_API void KxFakeRngReset(uint32_t seed) {
    std::lock_guard<std::mutex> hold(g_lock);
    ResetLocked(seed);
}

extern "C" KXFAMILY_API uint32_t KxFakeRngCalls() {
    std::lock_guard<std::mutex> hold(g_lock);
    return g_state.calls;
}

extern "C" KXFAMILY_API uint64_t KxFakeRngBytesDrawn() {
    std::lock_guard<std::mutex> hold(g_lock);
    return g_state.bytesDrawn;
}

extern "C" KXFAMILY_API uint32_t KxFakeRngLastCount() {
    std::lock_guard<std::mutex> hold(g_lock);
    return g_state.lastCount;
}

extern "C" KXFAMILY_API int32_t KxFakeRngLastMode() {
    std::lock_guard<std::mutex> hold(g_lock);
    return g_state.lastMode;
}
