// kxsha1: SHA-1.
#include <atomic>

#include "digest_backend.h"
#include "kxfamily.h"
#include "mode_flag.h"

namespace {
std::atomic<int32_t> g_mode{0};
}

extern "C" KXFAMILY_API int32_t KxDigestSHA1Block(uint32_t length, const uint8_t* input, uint8_t* digest,
                                                  uint32_t, uint8_t*, uint32_t* error) {
    return DigestBlock(DigestAlgorithm::Sha1, length, input, digest, error);
}

extern "C" KXFAMILY_API int32_t KxSHA1SetJCMVPMode(int32_t mode) { return RecordMode(g_mode, mode); }
