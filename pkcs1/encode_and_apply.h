// encode_and_apply.h: what sealing and signing share after their argument checks.
#ifndef KXRSA_PKCS1_ENCODE_AND_APPLY_H
#define KXRSA_PKCS1_ENCODE_AND_APPLY_H

#include "frame.h"
#include "pkcs1.h"
#include "secret_area.h"

// EncodeAndApply: the k-byte block of `input` (EncodeNewBlock; its code is
//   stored on failure), then `raw(block, result)`, the raw export, which runs
//   its own frame and stores 0 or its code; its result is below n, so at most
//   k <= 256 bytes. The result goes out as exactly k bytes, left-padded with
//   zeros. output->data holds k bytes.
template <typename RawOperation>
int32_t EncodeAndApply(uint32_t scheme, const OctetString* modulus, const OctetString* input,
                       OctetString* output, uint32_t* error, RawOperation raw) {
    const uint32_t k = modulus->length;
    uint8_t* block = nullptr;
    BytesRelease release{&block};
    if (const uint32_t code = EncodeNewBlock(scheme, modulus, input, &block, error)) return Fail(error, code);
    OctetString blockRecord{block, k};

    SecretArea<kMaxModulusLength> result;  // the working area, cleared on every path
    OctetString resultRecord{result.bytes, 0};
    if (raw(&blockRecord, &resultRecord) != 0) return -1;

    StoreLeftPadded(output->data, k, result.bytes, resultRecord.length);
    output->length = k;
    return 0;
}

#endif  // KXRSA_PKCS1_ENCODE_AND_APPLY_H
