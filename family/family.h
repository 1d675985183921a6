// family.h: kxrsa's calls into the sibling libraries linked at load time
// (random bytes from libkxrng, digests from libkxcore, libkxsha1, libkxsha2).
#ifndef KXRSA_FAMILY_FAMILY_H
#define KXRSA_FAMILY_FAMILY_H

#include <cstdint>

#include "bignum.h"

// Hash indices as in the low four bits of a scheme identifier.
constexpr uint32_t kHashCount = 6;   // MD2, MD5, SHA-1, SHA-256, SHA-384, SHA-512

// DrawRandomBytes: `count` bytes from the family generator into `out`.
//   0, or -1 on failure with whatever code the generator wrote in *error.
int32_t DrawRandomBytes(uint32_t count, uint8_t* out, uint32_t* error);

// DigestHashLength: 16, 16, 20, 32, 48, 64 for hash indices 0..5; 0 otherwise.
uint32_t DigestHashLength(uint32_t hashIndex);

// FamilyDigest: the digest of `input` with hash `hashIndex` (0..5) through the
//   sibling's digest function, with its fourth argument (3 for MD2, MD5, SHA-1,
//   4 for SHA-2) and a 1024-byte scratch area on this frame, cleared. Returns the
//   digest function's result unchanged: -1 is failure, anything else success.
int32_t FamilyDigest(uint32_t hashIndex, uint32_t length, const uint8_t* input, uint8_t* digest,
                     uint32_t* error);

// BnRandom: r = `byteCount` random bytes, filling the words from the least
//   significant end. All words cleared first (used 1, sign 0); on success used
//   = capacity, normalised. Returns the generator's result (0, or failure);
//   the generator's own error code is not passed on. byteCount <= 4·capacity.
int32_t BnRandom(uint32_t byteCount, BigNum* r);

#endif  // KXRSA_FAMILY_FAMILY_H
