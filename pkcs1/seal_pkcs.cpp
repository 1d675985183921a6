// KxSealRsaBlockPKCS: v1.5 or OAEP encryption of one block.
#include "frame.h"
#include "pkcs1.h"
#include "secret_area.h"

extern "C" KXRSA_API int32_t KxSealRsaBlockPKCS(uint32_t scheme, const OctetString* publicExponent,
                                                const OctetString* modulus, const OctetString* input,
                                                OctetString* output, uint32_t* error) {
    // 1.-4. Records (the output's data too: k bytes are written there), the
    // error location, the identifier, then the gate.
    if (publicExponent == nullptr || modulus == nullptr || IsNullRecord(input) ||
        !HasData(output))
        return Fail(error, ErrParameter);
    if (error == nullptr) return -1;
    if (!IsEncryptionScheme(scheme)) return Fail(error, ErrParameter);
    if (IsGateClosed()) return Fail(error, ErrModuleState);

    // 5.-6. The k-byte block of the input.
    const uint32_t k = modulus->length;
    uint8_t* block = nullptr;
    BytesRelease release{&block};
    if (const uint32_t code = EncodeNewBlock(scheme, modulus, input, &block, error)) return Fail(error, code);
    OctetString blockRecord{block, k};

    // 7. The raw public-key operation runs its own frame and stores 0 or its
    // code. Its result is below n, so at most k <= 256 bytes.
    SecretArea<kMaxModulusLength> raw;  // the working area, cleared on every path
    OctetString rawRecord{raw.bytes, 0};
    if (KxSealRsaBlock(publicExponent, modulus, &blockRecord, &rawRecord, error) != 0) return -1;

    // 8. Exactly k bytes, left-padded with zeros.
    StoreLeftPadded(output->data, k, raw.bytes, rawRecord.length);
    output->length = k;
    return 0;
}
