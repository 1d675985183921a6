// libkxsha1.so: SHA-1, computed by Nettle.
#include <nettle/sha1.h>

#include <atomic>

#include "digest_block.h"
#include "kxfamily.h"
#include "mode_flag.h"

namespace {
std::atomic<int32_t> g_mode{0};
}

extern "C" KXFAMILY_API int32_t KxDigestSHA1Block(uint32_t length, const uint8_t* input, uint8_t* digest,
                                                  uint32_t, uint8_t*, uint32_t* error) {
    return DigestBlock<sha1_ctx>(sha1_init, sha1_update, sha1_digest, SHA1_DIGEST_SIZE, length, input,
                                 digest, error);
}

extern "C" KXFAMILY_API int32_t KxSHA1SetJCMVPMode(int32_t mode) { return RecordMode(g_mode, mode); }
