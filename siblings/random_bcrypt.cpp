// Random bytes from BCryptGenRandom. see random_source.h
#include <windows.h>
#include <bcrypt.h>

#include "random_source.h"

bool FillRandom(uint32_t count, uint8_t* out) {
    return count == 0 || BCRYPT_SUCCESS(BCryptGenRandom(nullptr, out, count, BCRYPT_USE_SYSTEM_PREFERRED_RNG));
}
