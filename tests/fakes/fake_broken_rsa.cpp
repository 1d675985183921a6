// A stand-in libkxrsa.so whose operations all "succeed" with wrong results:
// the raw operations hand the input back, signing yields zero bytes and
// verifying accepts anything. The status library's known-answer test must
// refuse it.
#include <cstring>

#include "kxrsa.h"

namespace {
int32_t CopyThrough(const OctetString* input, OctetString* output, uint32_t* error) {
    std::memcpy(output->data, input->data, input->length);
    output->length = input->length;
    *error = 0;
    return 0;
}
}  // namespace

extern "C" KXRSA_API int32_t KxSealRsaBlock(const OctetString*, const OctetString*, const OctetString* input,
                                            OctetString* output, uint32_t* error) {
    return CopyThrough(input, output, error);
}

extern "C" KXRSA_API int32_t KxUnsealRsaBlock(const OctetString*, const OctetString*, const OctetString*,
                                              const OctetString*, const OctetString*, const OctetString*,
                                              const OctetString*, const OctetString* input, OctetString* output,
                                              uint32_t* error) {
    return CopyThrough(input, output, error);
}

extern "C" KXRSA_API int32_t KxUnsealRsaBlockBlinding(const OctetString*, const OctetString*,
                                                      const OctetString*, const OctetString*,
                                                      const OctetString*, const OctetString*,
                                                      const OctetString*, const OctetString* input,
                                                      OctetString* output, uint32_t* error) {
    return CopyThrough(input, output, error);
}

extern "C" KXRSA_API int32_t KxSignRsaBlockPKCS(uint32_t, const OctetString*, const OctetString* modulus,
                                                const OctetString*, const OctetString*, const OctetString*,
                                                const OctetString*, const OctetString*, const OctetString*,
                                                OctetString* output, uint32_t* error) {
    std::memset(output->data, 0, modulus->length);
    output->length = modulus->length;
    *error = 0;
    return 0;
}

extern "C" KXRSA_API int32_t KxVerifyRsaBlockPKCS(uint32_t, const OctetString*, const OctetString*,
                                                  const OctetString*, const OctetString*, uint32_t* error) {
    *error = 0;
    return 0;
}
