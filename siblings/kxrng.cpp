// kxrng: random bytes from the operating system's generator.
#include <atomic>

#include "kxfamily.h"
#include "mode_flag.h"
#include "random_source.h"

namespace {
std::atomic<int32_t> g_mode{0};
}  // namespace

extern "C" KXFAMILY_API int32_t KxRngGenerate(uint32_t count, uint8_t* out, uint32_t* error) {
    if (FillRandom(count, out)) return 0;
    if (error != nullptr) *error = ErrInternal;
    return -1;
}

extern "C" KXFAMILY_API int32_t KxRngSetJCMVPMode(int32_t mode) { return RecordMode(g_mode, mode); }
