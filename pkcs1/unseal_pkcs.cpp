// KxUnsealRsaBlockPKCS: v1.5 or OAEP decryption of one block.
#include "frame.h"
#include "clear_secret.h"
#include "pkcs1.h"

extern "C" KXRSA_API int32_t KxUnsealRsaBlockPKCS(uint32_t scheme, const OctetString* privateExponent,
                                                  const OctetString* modulus,
                                                  const OctetString* prime1,
                                                  const OctetString* prime2,
                                                  const OctetString* exponent1,
                                                  const OctetString* exponent2,
                                                  const OctetString* coefficient,
                                                  const OctetString* input, OctetString* output,
                                                  uint32_t* error) {
    // Records, the error location, the ciphertext length (before the
    // identifier), the identifier, then the gate.
    if (!HasPrivateKeyRecords(privateExponent, modulus, prime1, prime2, exponent1, exponent2, coefficient) ||
        IsNullRecord(input) || output == nullptr)
        return Fail(error, ErrParameter);
    if (error == nullptr) return -1;
    const uint32_t k = modulus->length;
    if (input->length != k) return Fail(error, ErrDecrypt);
    if (!IsEncryptionScheme(scheme)) return Fail(error, ErrParameter);
    if (IsGateClosed()) return Fail(error, ErrModuleState);

    // The raw result goes straight into the caller's output (k bytes);
    // from here on a failure leaves it there.
    if (KxUnsealRsaBlockBlinding(privateExponent, modulus, prime1, prime2, exponent1, exponent2,
                                 coefficient, input, output, error) != 0)
        return -1;

    // The raw result right-aligned in a k-byte block: its leading zero
    // bytes come back. Never more than k bytes are taken, whatever the length.
    uint8_t* block = nullptr;
    BytesRelease release{&block};
    if (NewLeftPaddedBlock(&block, k, output, error) != 0) return Fail(error, ErrInternal);

    // The output length is now the raw result's, the decoders' capacity for
    // the data: the only bound this export knows on the caller's buffer,
    // which holds the raw result. 547 for any failure but the step's own memory.
    OctetString blockRecord{block, k};
    const int32_t decoded = DecodeBlock(scheme, modulus, &blockRecord, output, error);
    if (decoded != kBlockOk) return Fail(error, BlockStepCode(decoded, ErrDecrypt));

    // Nothing of the block stays behind the data: the raw result took up
    // to k bytes of the caller's buffer, and the data is shorter than k.
    ClearSecret(output->data + output->length, k - output->length);
    return 0;
}
