// see digest_backend.h
#include "digest_backend.h"
#include "kxfamily.h"

int32_t DigestBlock(DigestAlgorithm algorithm, uint32_t length, const uint8_t* input, uint8_t* digest,
                    uint32_t* error) {
    uint32_t code = 0;
    if ((input == nullptr && length != 0) || digest == nullptr)
        code = ErrParameter;
    else if (!ComputeDigest(algorithm, length, input, digest))
        code = ErrInternal;
    if (code == 0) return 0;
    if (error != nullptr) *error = code;
    return -1;
}
