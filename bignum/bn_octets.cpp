// Conversion between BigNums and big-endian octet strings.
#include "bignum.h"

// see bignum.h
void BnToOctets(OctetString* out, const BigNum* a) {
    uint32_t top = a->words[a->used - 1];
    uint32_t k = 0;
    while (top != 0) {
        ++k;
        top >>= 8;
    }
    // `used` is taken as it is: a zero top word counts no octets of its own.
    uint32_t length = 4 * (a->used - 1) + k;
    out->length = length;
    for (uint32_t j = 0; j < length; ++j) {
        uint32_t byte = length - 1 - j;  // magnitude byte, 0 least significant
        out->data[j] = static_cast<uint8_t>(a->words[byte / 4] >> (8 * (byte % 4)));
    }
}

// see bignum.h
void BnFromOctets(BigNum* r, const OctetString* in) {
    BnZero(r);
    uint32_t length = in->length;
    // An empty string is zero: `used` stays at 1.
    if (length == 0) return;
    r->used = length / 4 + (length % 4 != 0 ? 1 : 0);
    for (uint32_t j = 0; j < length; ++j) {
        uint32_t byte = length - 1 - j;
        r->words[byte / 4] |= static_cast<uint32_t>(in->data[j]) << (8 * (byte % 4));
    }
}
