// KxSignRsaBlockPKCS: v1.5 or PSS signature of a message.
#include "frame.h"
#include "pkcs1.h"
#include "secret_area.h"

extern "C" KXRSA_API int32_t KxSignRsaBlockPKCS(uint32_t scheme, const OctetString* privateExponent,
                                                const OctetString* modulus, const OctetString* prime1,
                                                const OctetString* prime2, const OctetString* exponent1,
                                                const OctetString* exponent2,
                                                const OctetString* coefficient,
                                                const OctetString* input, OctetString* output,
                                                uint32_t* error) {
    // 1.-4. Records (the output's data too: k bytes are written there), the
    // error location, the identifier, then the gate.
    if (privateExponent == nullptr || modulus == nullptr || prime1 == nullptr || prime2 == nullptr ||
        exponent1 == nullptr || exponent2 == nullptr || coefficient == nullptr ||
        IsNullRecord(input) || !HasData(output))
        return Fail(error, ErrParameter);
    if (error == nullptr) return -1;
    if (!IsSignatureScheme(scheme)) return Fail(error, ErrParameter);
    if (IsGateClosed()) return Fail(error, ErrModuleState);

    // 5.-6. The k-byte block of the input.
    const uint32_t k = modulus->length;
    uint8_t* block = nullptr;
    BytesRelease release{&block};
    if (const uint32_t code = EncodeNewBlock(scheme, modulus, input, &block, error)) return Fail(error, code);
    OctetString blockRecord{block, k};

    // 7. The blinded private-key operation, with its own frame and codes.
    SecretArea<kMaxModulusLength> raw;  // the working area, cleared on every path
    OctetString rawRecord{raw.bytes, 0};
    if (KxUnsealRsaBlockBlinding(privateExponent, modulus, prime1, prime2, exponent1, exponent2,
                                 coefficient, &blockRecord, &rawRecord, error) != 0)
        return -1;

    // 8. Exactly k bytes, left-padded with zeros.
    StoreLeftPadded(output->data, k, raw.bytes, rawRecord.length);
    output->length = k;
    return 0;
}
