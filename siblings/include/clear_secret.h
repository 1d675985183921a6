// clear_secret.h: the one way kxrsa and its siblings clear secret bytes.
#ifndef KXFAMILY_CLEAR_SECRET_H
#define KXFAMILY_CLEAR_SECRET_H

#include <cstddef>
#include <cstdint>
#include <cstring>

// ClearSecret: zeroes `size` bytes at `bytes` with stores the optimiser cannot
//   drop, also right before the memory goes out of scope or back to the heap
//   (where a plain memset is a dead store). glibc's explicit_bzero where there
//   is one, else a loop of volatile stores.
inline void ClearSecret(void* bytes, size_t size) {
#if defined(__GLIBC__)
    explicit_bzero(bytes, size);
#else
    volatile uint8_t* b = static_cast<volatile uint8_t*>(bytes);
    for (size_t i = 0; i < size; ++i) b[i] = 0;
#endif
}

#endif
