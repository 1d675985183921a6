// KxSealRsaBlockPKCS: v1.5 or OAEP encryption of one block.
#include "encode_and_apply.h"

extern "C" KXRSA_API int32_t KxSealRsaBlockPKCS(uint32_t scheme, const OctetString* publicExponent,
                                                const OctetString* modulus, const OctetString* input,
                                                OctetString* output, uint32_t* error) {
    // Records (the output's data too: k bytes are written there), the error
    // location, the identifier, then the gate.
    if (publicExponent == nullptr || modulus == nullptr || IsNullRecord(input) || !HasData(output))
        return Fail(error, ErrParameter);
    if (error == nullptr) return -1;
    if (!IsEncryptionScheme(scheme)) return Fail(error, ErrParameter);
    if (IsGateClosed()) return Fail(error, ErrModuleState);

    // The raw public-key operation on the encoded block.
    return EncodeAndApply(scheme, modulus, input, output, error,
                          [&](const OctetString* block, OctetString* result) {
                              return KxSealRsaBlock(publicExponent, modulus, block, result, error);
                          });
}
