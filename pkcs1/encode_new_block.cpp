// EncodeNewBlock: a new k-byte block holding the encoded input.
#include "pkcs1.h"

// see pkcs1.h
uint32_t EncodeNewBlock(uint32_t scheme, const OctetString* modulus, const OctetString* input,
                        uint8_t** block, uint32_t* error) {
    const uint32_t k = modulus->length;
    if (AllocBytes(block, k, error) != 0) return ErrInternal;
    OctetString blockRecord{*block, k};
    // Any failure but the step's own memory is 548, whatever the generator or
    // a digest wrote into the error location.
    const int32_t encoded = EncodeBlock(scheme, modulus, input, &blockRecord, error);
    return encoded == kBlockOk ? 0 : BlockStepCode(encoded, ErrEncode);
}
