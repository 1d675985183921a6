// AllocBytes, the layer's byte buffers, and small byte helpers.
#include <cstring>

#include "heap.h"
#include "pkcs1.h"

// see pkcs1.h
int32_t AllocBytes(uint8_t** bytes, size_t size, uint32_t* error) {
    *bytes = HeapAllocateBytes(size);
    if (*bytes != nullptr) return 0;
    if (error != nullptr) *error = ErrInternal;
    return -1;
}

// see pkcs1.h
BytesRelease::~BytesRelease() {
    for (uint32_t i = 0; i < n; ++i) {
        HeapReleaseBytes(*buffers[i]);  // null is passed through
        *buffers[i] = nullptr;
    }
}

// see pkcs1.h
void CopyBytes(uint8_t* to, const uint8_t* from, size_t count) {
    if (count != 0) std::memmove(to, from, count);
}

// see pkcs1.h
void FillBytes(uint8_t* to, uint8_t value, size_t count) {
    if (count != 0) std::memset(to, value, count);
}

// see pkcs1.h
void XorBytes(uint8_t* to, const uint8_t* with, size_t count) {
    for (size_t i = 0; i < count; ++i) to[i] ^= with[i];
}

// see pkcs1.h
void StoreLeftPadded(uint8_t* to, uint32_t k, const uint8_t* result, uint32_t r) {
    if (r > k) {
        result += r - k;
        r = k;
    }
    FillBytes(to, 0, k - r);
    CopyBytes(to + (k - r), result, r);
}
