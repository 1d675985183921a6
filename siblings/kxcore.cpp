// libkxcore.so: MD2 and MD5, computed by Nettle.
#include <nettle/md2.h>
#include <nettle/md5.h>

#include <atomic>

#include "digest_block.h"
#include "kxfamily.h"
#include "mode_flag.h"

namespace {
std::atomic<int32_t> g_mode{0};
}

extern "C" KXFAMILY_API int32_t KxDigestMd2Block(uint32_t length, const uint8_t* input, uint8_t* digest,
                                                 uint32_t, uint8_t*, uint32_t* error) {
    return DigestBlock<md2_ctx>(md2_init, md2_update, md2_digest, MD2_DIGEST_SIZE, length, input,
                                digest, error);
}

extern "C" KXFAMILY_API int32_t KxDigestMd5Block(uint32_t length, const uint8_t* input, uint8_t* digest,
                                                 uint32_t, uint8_t*, uint32_t* error) {
    return DigestBlock<md5_ctx>(md5_init, md5_update, md5_digest, MD5_DIGEST_SIZE, length, input,
                                digest, error);
}

extern "C" KXFAMILY_API int32_t KxCORESetJCMVPMode(int32_t mode) { return RecordMode(g_mode, mode); }
