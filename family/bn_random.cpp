// see family.h
#include "family.h"

int32_t BnRandom(uint32_t byteCount, BigNum* r) {
    BnZero(r);
    // The generator writes bytes in memory order, so on this little-endian
    // target the first byte drawn becomes the least significant byte of word 0.
    uint32_t privateError = 0;  // the generator's code is not passed on
    int32_t result = DrawRandomBytes(byteCount, reinterpret_cast<uint8_t*>(r->words), &privateError);
    if (result != 0) {
        BnZero(r);
        return result;
    }
    r->used = r->capacity;
    while (r->used > 1 && r->words[r->used - 1] == 0) --r->used;
    return 0;
}
