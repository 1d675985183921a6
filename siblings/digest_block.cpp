// see digest_backend.h
#include "digest_backend.h"

int32_t DigestBlock(DigestAlgorithm algorithm, uint32_t length, const uint8_t* input, uint8_t* digest,
                    uint32_t* error) {
    constexpr uint32_t kErrParameter = 99;
    constexpr uint32_t kErrInternal = 62;
    uint32_t code = 0;
    if ((input == nullptr && length != 0) || digest == nullptr)
        code = kErrParameter;
    else if (!ComputeDigest(algorithm, length, input, digest))
        code = kErrInternal;
    if (code == 0) return 0;
    if (error != nullptr) *error = code;
    return -1;
}
