// From scheme identifier to block operation.
#include "pkcs1.h"

namespace {

bool IsOaep(uint32_t scheme) { return IsEncryptionScheme(scheme) && IsVersion2Scheme(scheme); }
bool IsV15Signature(uint32_t scheme) { return IsSignatureScheme(scheme) && !IsVersion2Scheme(scheme); }
bool IsPss(uint32_t scheme) { return IsSignatureScheme(scheme) && IsVersion2Scheme(scheme); }

// PssEmBits: emBits = 8k - 1 (k >= 1): the block's integer stays below
// 2^(8k-1), so the modulus is taken to be exactly 8k bits. Computed in 64
// bits; k = 0 has no such length and the callers fail before asking.
uint64_t PssEmBits(uint32_t k) { return 8 * uint64_t{k} - 1; }

}  // namespace

// see pkcs1.h
int32_t EncodeBlock(uint32_t scheme, const OctetString* modulus, const OctetString* input,
                    OctetString* block, uint32_t* error) {
    const uint32_t k = modulus->length;
    if (scheme == KxSchemeV15Encryption) return EncodeV15Encryption(input, block, k, error);
    if (IsOaep(scheme)) return EncodeOaep(scheme, input, nullptr, block, k, error);
    if (IsV15Signature(scheme)) return EncodeV15Signature(scheme, input, block, k, error);
    if (IsPss(scheme)) {
        if (k == 0) return kBlockFailed;
        return EncodePss(scheme, input, block, PssEmBits(k), error);
    }
    return kBlockFailed;
}

// see pkcs1.h
int32_t DecodeBlock(uint32_t scheme, const OctetString* modulus, const OctetString* block,
                    OctetString* output, uint32_t* error) {
    const uint32_t k = modulus->length;
    if (scheme == KxSchemeV15Encryption) return DecodeV15Encryption(block, output, k);
    if (IsOaep(scheme)) return DecodeOaep(scheme, block, nullptr, output, k, error);
    return kBlockFailed;
}

// see pkcs1.h
int32_t VerifyBlock(uint32_t scheme, const OctetString* modulus, const OctetString* block,
                    const OctetString* message, uint32_t* error) {
    const uint32_t k = modulus->length;
    if (IsV15Signature(scheme)) return VerifyV15Signature(scheme, block, message, k, error);
    if (IsPss(scheme)) {
        if (k == 0) return kBlockFailed;
        return VerifyPss(scheme, block, message, PssEmBits(k), error);
    }
    return kBlockFailed;
}
