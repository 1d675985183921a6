// MGF1, the mask generation function of RFC 8017 B.2.1.
#include "pkcs1.h"

// see pkcs1.h
int32_t Mgf1(uint32_t scheme, uint32_t seedLen, const uint8_t* seed, uint32_t maskLen,
             uint8_t* mask, uint32_t* error) {
    // hLen of the scheme's hash: MGF1 always uses the scheme's own hash.
    const uint32_t hLen = SchemeHashLength(scheme);
    if (hLen == 0) return kBlockFailed;

    // The output area takes floor(maskLen / hLen) + 1 whole digests, and
    // (q + 1)·hLen <= maskLen + hLen. Sizes in 64 bits: no 32-bit wrap.
    uint8_t* area = nullptr;
    uint8_t* work = nullptr;
    BytesRelease release{&area, &work};
    if (AllocBytes(&area, size_t{maskLen} + hLen, error) != 0) return kBlockNoMemory;
    if (AllocBytes(&work, size_t{seedLen} + 4, error) != 0) return kBlockNoMemory;

    // work = seed || C, C the counter as four bytes, most significant
    // first. The counter runs to maskLen / hLen inclusive: one digest more
    // than needed when hLen divides maskLen, harmless and kept on purpose.
    CopyBytes(work, seed, seedLen);
    const uint32_t last = maskLen / hLen;
    for (uint32_t counter = 0; counter <= last; ++counter) {
        uint8_t* c = work + seedLen;
        c[0] = static_cast<uint8_t>(counter >> 24);
        c[1] = static_cast<uint8_t>(counter >> 16);
        c[2] = static_cast<uint8_t>(counter >> 8);
        c[3] = static_cast<uint8_t>(counter);
        if (SchemeDigest(scheme, seedLen + 4, work, area + size_t{counter} * hLen, error) == -1)
            return kBlockFailed;
    }

    // The leading maskLen bytes are the mask.
    CopyBytes(mask, area, maskLen);
    return kBlockOk;
}

// see pkcs1.h
int32_t MaskWithMgf1(uint32_t scheme, uint32_t seedLen, const uint8_t* seed, const uint8_t* in,
                     uint32_t length, uint8_t** mask, uint8_t** out, uint32_t* error) {
    if (AllocBytes(mask, length, error) != 0) return kBlockNoMemory;
    const int32_t result = Mgf1(scheme, seedLen, seed, length, *mask, error);
    if (result != kBlockOk) return result;
    if (AllocBytes(out, length, error) != 0) return kBlockNoMemory;
    CopyBytes(*out, in, length);
    XorBytes(*out, *mask, length);
    return kBlockOk;
}
