// digest_backend.h: the digest functions the siblings hand out, computed by
// the platform's library: Nettle on Linux (digest_nettle.cpp), bcrypt on
// Windows (digest_bcrypt.cpp).
#ifndef KXFAMILY_DIGEST_BACKEND_H
#define KXFAMILY_DIGEST_BACKEND_H

#include <cstdint>

enum class DigestAlgorithm { Md2, Md5, Sha1, Sha256, Sha384, Sha512 };

// ComputeDigest: the whole digest of `length` bytes at `input` (which may be
//   null when length is 0) into `digest`. False when the platform library
//   failed.
bool ComputeDigest(DigestAlgorithm algorithm, uint32_t length, const uint8_t* input, uint8_t* digest);

// DigestBlock: a digest export's work. A null input with a non-zero length
//   or a null digest is refused (-1, code 99); a failing platform library
//   gives -1 with code 62; success is 0.
int32_t DigestBlock(DigestAlgorithm algorithm, uint32_t length, const uint8_t* input, uint8_t* digest,
                    uint32_t* error);

#endif
