// libkxrng.so: random bytes from the kernel's generator.
#include <sys/random.h>

#include <atomic>
#include <cerrno>

#include "kxfamily.h"
#include "mode_flag.h"

namespace {
std::atomic<int32_t> g_mode{0};
constexpr uint32_t kErrRandom = 62;
}  // namespace

extern "C" KXFAMILY_API int32_t KxRngGenerate(uint32_t count, uint8_t* out, uint32_t* error) {
    // getrandom may return fewer bytes than asked (large requests, signals);
    // keep asking until all are there or the kernel refuses.
    uint32_t done = 0;
    while (done < count) {
        ssize_t got = getrandom(out + done, count - done, 0);
        if (got < 0) {
            if (errno == EINTR) continue;
            if (error != nullptr) *error = kErrRandom;
            return -1;
        }
        done += static_cast<uint32_t>(got);
    }
    return 0;
}

extern "C" KXFAMILY_API int32_t KxRngSetJCMVPMode(int32_t mode) { return RecordMode(g_mode, mode); }
