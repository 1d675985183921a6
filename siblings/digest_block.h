// digest_block.h: one whole-message digest through a Nettle hash context.
#ifndef KXFAMILY_DIGEST_BLOCK_H
#define KXFAMILY_DIGEST_BLOCK_H

#include <cstdint>

#include "clear_secret.h"

// Hashes `length` bytes of `input` into `digest` with Nettle's init/update/
// digest triple for context type Ctx. A null input with a non-zero length is
// refused (-1); the digest functions have no other way to fail. The context,
// which holds the tail of the input and the chaining state, is cleared.
template <typename Ctx>
int32_t DigestBlock(void (*init)(Ctx*), void (*update)(Ctx*, size_t, const uint8_t*),
                    void (*digestOut)(Ctx*, size_t, uint8_t*), size_t digestSize, uint32_t length,
                    const uint8_t* input, uint8_t* digest, uint32_t* error) {
    if ((input == nullptr && length != 0) || digest == nullptr) {
        if (error != nullptr) *error = 99;
        return -1;
    }
    Ctx ctx;
    init(&ctx);
    update(&ctx, length, input);
    digestOut(&ctx, digestSize, digest);
    ClearSecret(&ctx, sizeof ctx);
    return 0;
}

#endif
