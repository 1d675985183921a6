// libkxsha2.so: SHA-256, SHA-384 and SHA-512, computed by Nettle.
#include <nettle/sha2.h>

#include <atomic>

#include "digest_block.h"
#include "kxfamily.h"
#include "mode_flag.h"

namespace {
std::atomic<int32_t> g_mode{0};
}

extern "C" KXFAMILY_API int32_t KxDigestSHA256Block(uint32_t length, const uint8_t* input,
                                                    uint8_t* digest, uint32_t, uint8_t*, uint32_t* error) {
    return DigestBlock<sha256_ctx>(sha256_init, sha256_update, sha256_digest, SHA256_DIGEST_SIZE, length,
                                   input, digest, error);
}

extern "C" KXFAMILY_API int32_t KxDigestSHA384Block(uint32_t length, const uint8_t* input,
                                                    uint8_t* digest, uint32_t, uint8_t*, uint32_t* error) {
    // Nettle's SHA-384 shares SHA-512's context and update.
    return DigestBlock<sha512_ctx>(sha384_init, sha512_update, sha384_digest, SHA384_DIGEST_SIZE, length,
                                   input, digest, error);
}

extern "C" KXFAMILY_API int32_t KxDigestSHA512Block(uint32_t length, const uint8_t* input,
                                                    uint8_t* digest, uint32_t, uint8_t*, uint32_t* error) {
    return DigestBlock<sha512_ctx>(sha512_init, sha512_update, sha512_digest, SHA512_DIGEST_SIZE, length,
                                   input, digest, error);
}

extern "C" KXFAMILY_API int32_t KxSHASetJCMVPMode(int32_t mode) { return RecordMode(g_mode, mode); }
