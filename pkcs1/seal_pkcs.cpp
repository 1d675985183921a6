// KxSealRsaBlockPKCS: v1.5 or OAEP encryption of one block.
#include "frame.h"
#include "pkcs1.h"

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

    // 5.-6. The k-byte block. Any failure of the block step other than its own
    // memory is 548, whatever the generator or a digest wrote.
    const uint32_t k = modulus->length;
    uint8_t* block = nullptr;
    BytesRelease release{&block};
    if (AllocBytes(&block, k, error) != 0) return Fail(error, ErrInternal);
    OctetString blockRecord{block, k};
    const int32_t encoded = EncodeBlock(scheme, modulus, input, &blockRecord, error);
    if (encoded != kBlockOk) return Fail(error, BlockStepCode(encoded, ErrEncode));

    // 7. The raw public-key operation runs its own frame and stores 0 or its
    // code. Its result is below n, so at most k <= 256 bytes.
    uint8_t raw[kMaxModulusLength];
    OctetString rawRecord{raw, 0};
    if (KxSealRsaBlock(publicExponent, modulus, &blockRecord, &rawRecord, error) != 0) return -1;

    // 8. Exactly k bytes, left-padded with zeros.
    StoreLeftPadded(output->data, k, raw, rawRecord.length);
    output->length = k;
    return 0;
}
