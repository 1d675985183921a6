// Scheme identifiers: which values are identifiers, their hash lengths, and
// digesting by identifier.
#include "family.h"
#include "pkcs1.h"

namespace {

constexpr uint32_t kOaepBase = 0x10;
constexpr uint32_t kV15SignatureBase = 0x10000;
constexpr uint32_t kPssBase = 0x10010;

// IsHashFamily: base + h for a hash index h of the family.
bool IsHashFamily(uint32_t scheme, uint32_t base) {
    return scheme >= base && scheme - base < kHashCount;
}

// IsIdentifier: one of the 19 values; everything between the ranges is not.
bool IsIdentifier(uint32_t scheme) { return IsEncryptionScheme(scheme) || IsSignatureScheme(scheme); }

}  // namespace

// see pkcs1.h
bool IsEncryptionScheme(uint32_t scheme) {
    return scheme == KxSchemeV15Encryption || IsHashFamily(scheme, kOaepBase);
}

// see pkcs1.h
bool IsSignatureScheme(uint32_t scheme) {
    return IsHashFamily(scheme, kV15SignatureBase) || IsHashFamily(scheme, kPssBase);
}

// see pkcs1.h
uint32_t SchemeHashLength(uint32_t scheme) {
    if (scheme == KxSchemeV15Encryption || !IsIdentifier(scheme)) return 0;
    return DigestHashLength(SchemeHashIndex(scheme));
}

// see pkcs1.h
int32_t SchemeDigest(uint32_t scheme, uint32_t length, const uint8_t* input, uint8_t* digest,
                     uint32_t* error) {
    // The sibling digests may read the pointer even for zero bytes: give them
    // a valid one for the empty string.
    static const uint8_t kEmpty[1] = {0};
    return FamilyDigest(SchemeHashIndex(scheme), length, input != nullptr ? input : kEmpty, digest,
                        error);
}
