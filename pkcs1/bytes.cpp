// CopyBytes, FillBytes, XorBytes: byte-range helpers that accept empty ranges.
#include <cstring>

#include "pkcs1.h"

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
