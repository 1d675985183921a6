// reference_decoders.h: today's decoders of encryption blocks, kept as the
// test build's reference for the branch-free ones (same contracts as
// DecodeV15Encryption and DecodeOaep in pkcs1.h, first failure wins).
#ifndef KXRSA_TESTS_REFERENCE_DECODERS_H
#define KXRSA_TESTS_REFERENCE_DECODERS_H

#include "pkcs1.h"

int32_t ReferenceDecodeV15Encryption(const OctetString* block, OctetString* output, uint32_t k);
int32_t ReferenceDecodeOaep(uint32_t scheme, const OctetString* block, const OctetString* label,
                            OctetString* output, uint32_t k, uint32_t* error);

#endif
