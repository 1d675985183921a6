// The digests by Nettle. see digest_backend.h
#include <nettle/md2.h>
#include <nettle/md5.h>
#include <nettle/sha1.h>
#include <nettle/sha2.h>

#include "clear_secret.h"
#include "digest_backend.h"

namespace {
// Nettle's init/update/digest triple for context type Ctx; it cannot fail.
// The context, which holds the tail of the input and the chaining state, is
// cleared before it goes out of scope.
template <typename Ctx>
bool Run(void (*init)(Ctx*), void (*update)(Ctx*, size_t, const uint8_t*), void (*finish)(Ctx*, size_t, uint8_t*),
         size_t digestSize, uint32_t length, const uint8_t* input, uint8_t* digest) {
    Ctx ctx;
    init(&ctx);
    update(&ctx, length, input);
    finish(&ctx, digestSize, digest);
    ClearSecret(&ctx, sizeof ctx);
    return true;
}
}  // namespace

bool ComputeDigest(DigestAlgorithm algorithm, uint32_t length, const uint8_t* input, uint8_t* digest) {
    switch (algorithm) {
        case DigestAlgorithm::Md2:
            return Run<md2_ctx>(md2_init, md2_update, md2_digest, MD2_DIGEST_SIZE, length, input, digest);
        case DigestAlgorithm::Md5:
            return Run<md5_ctx>(md5_init, md5_update, md5_digest, MD5_DIGEST_SIZE, length, input, digest);
        case DigestAlgorithm::Sha1:
            return Run<sha1_ctx>(sha1_init, sha1_update, sha1_digest, SHA1_DIGEST_SIZE, length, input, digest);
        case DigestAlgorithm::Sha256:
            return Run<sha256_ctx>(sha256_init, sha256_update, sha256_digest, SHA256_DIGEST_SIZE, length, input,
                                   digest);
        case DigestAlgorithm::Sha384:  // Nettle's SHA-384 shares SHA-512's context and update
            return Run<sha512_ctx>(sha384_init, sha512_update, sha384_digest, SHA384_DIGEST_SIZE, length, input,
                                   digest);
        case DigestAlgorithm::Sha512:
            return Run<sha512_ctx>(sha512_init, sha512_update, sha512_digest, SHA512_DIGEST_SIZE, length, input,
                                   digest);
    }
    return false;
}
