// KxSignRsaBlockPKCS: v1.5 or PSS signature of a message.
#include "encode_and_apply.h"

extern "C" KXRSA_API int32_t KxSignRsaBlockPKCS(uint32_t scheme, const OctetString* privateExponent,
                                                const OctetString* modulus, const OctetString* prime1,
                                                const OctetString* prime2, const OctetString* exponent1,
                                                const OctetString* exponent2,
                                                const OctetString* coefficient,
                                                const OctetString* input, OctetString* output,
                                                uint32_t* error) {
    // Records (the output's data too: k bytes are written there), the error
    // location, the identifier, then the gate.
    if (!HasPrivateKeyRecords(privateExponent, modulus, prime1, prime2, exponent1, exponent2, coefficient) ||
        IsNullRecord(input) || !HasData(output))
        return Fail(error, ErrParameter);
    if (error == nullptr) return -1;
    if (!IsSignatureScheme(scheme)) return Fail(error, ErrParameter);
    if (IsGateClosed()) return Fail(error, ErrModuleState);

    // The blinded private-key operation on the encoded block.
    return EncodeAndApply(scheme, modulus, input, output, error,
                          [&](const OctetString* block, OctetString* result) {
                              return KxUnsealRsaBlockBlinding(privateExponent, modulus, prime1, prime2,
                                                              exponent1, exponent2, coefficient, block,
                                                              result, error);
                          });
}
