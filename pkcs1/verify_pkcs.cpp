// KxVerifyRsaBlockPKCS: verification of a v1.5 or PSS signature.
#include "frame.h"
#include "pkcs1.h"

extern "C" KXRSA_API int32_t KxVerifyRsaBlockPKCS(uint32_t scheme, const OctetString* publicExponent,
                                                  const OctetString* modulus,
                                                  const OctetString* signature,
                                                  const OctetString* message, uint32_t* error) {
    // Records, the error location, the signature length (before the
    // identifier), the identifier, then the gate.
    if (publicExponent == nullptr || modulus == nullptr || IsNullRecord(signature) ||
        IsNullRecord(message))
        return Fail(error, ErrParameter);
    if (error == nullptr) return -1;
    const uint32_t k = modulus->length;
    if (signature->length != k) return Fail(error, ErrVerify);
    if (!IsSignatureScheme(scheme)) return Fail(error, ErrParameter);
    if (IsGateClosed()) return Fail(error, ErrModuleState);

    // The raw public-key operation into a k-byte buffer (its result is
    // below n, so at most k bytes); it stores 0 or its own code.
    uint8_t* result = nullptr;
    uint8_t* block = nullptr;
    BytesRelease release{&result, &block};
    if (AllocBytes(&result, k, error) != 0) return Fail(error, ErrInternal);
    OctetString resultRecord{result, k};
    if (KxSealRsaBlock(publicExponent, modulus, signature, &resultRecord, error) != 0) return -1;

    // Right-aligned in k bytes, never more than k taken.
    if (NewLeftPaddedBlock(&block, k, &resultRecord, error) != 0) return Fail(error, ErrInternal);

    // 549 for any mismatch or failure but the step's own memory; on
    // success the error location keeps the raw operation's 0.
    OctetString blockRecord{block, k};
    const int32_t verified = VerifyBlock(scheme, modulus, &blockRecord, message, error);
    if (verified != kBlockOk) return Fail(error, BlockStepCode(verified, ErrVerify));
    return 0;
}
