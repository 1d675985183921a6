// see family.h
#include "family.h"

#include "kxfamily.h"

int32_t DrawRandomBytes(uint32_t count, uint8_t* out, uint32_t* error) {
    // The generator's own convention: 0, or -1 with its code in *error.
    return KxRngGenerate(count, out, error) == 0 ? 0 : -1;
}
