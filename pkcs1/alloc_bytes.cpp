// AllocBytes and BytesRelease: the layer's byte buffers.
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
