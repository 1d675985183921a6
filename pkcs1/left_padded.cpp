// StoreLeftPadded and NewLeftPaddedBlock: a raw result right-aligned in k bytes.
#include "pkcs1.h"

// see pkcs1.h
void StoreLeftPadded(uint8_t* to, uint32_t k, const uint8_t* result, uint32_t r) {
    if (r > k) {
        result += r - k;
        r = k;
    }
    FillBytes(to, 0, k - r);
    CopyBytes(to + (k - r), result, r);
}

// see pkcs1.h
int32_t NewLeftPaddedBlock(uint8_t** block, uint32_t k, const OctetString* raw, uint32_t* error) {
    if (AllocBytes(block, k, error) != 0) return -1;
    StoreLeftPadded(*block, k, raw->data, raw->length < k ? raw->length : k);
    return 0;
}
