// secret_area.h: a stack buffer for secret bytes that clears itself.
#ifndef KXRSA_BIGNUM_SECRET_AREA_H
#define KXRSA_BIGNUM_SECRET_AREA_H

#include <cstddef>
#include <cstdint>

#include "clear_secret.h"
#include "heap.h"

// SecretArea<N>: N bytes on the stack (a block, a seed, a mask, a digest or a
// scratch area handed to a sibling) cleared by ClearSecret when the scope
// ends, on every path; a test build checks they read zero then.
template <size_t N>
struct SecretArea {
    SecretArea() = default;
    ~SecretArea() {
        ClearSecret(bytes, N);
        HeapReleaseArea(bytes, N);
    }
    SecretArea(const SecretArea&) = delete;
    SecretArea& operator=(const SecretArea&) = delete;

    uint8_t bytes[N];
};

#endif  // KXRSA_BIGNUM_SECRET_AREA_H
