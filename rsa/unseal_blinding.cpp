// KxUnsealRsaBlockBlinding and KxUnsealRsaBlockBlinding2: the private-key
// operation on a blinded input, E derived from the key or given by the caller.
#include "frame.h"
#include "rsa.h"

extern "C" KXRSA_API int32_t KxUnsealRsaBlockBlinding(const OctetString* privateExponent,
                                                      const OctetString* modulus, const OctetString* prime1,
                                                      const OctetString* prime2, const OctetString* exponent1,
                                                      const OctetString* exponent2,
                                                      const OctetString* coefficient,
                                                      const OctetString* input, OctetString* output,
                                                      uint32_t* error) {
    // The entry gate comes before any argument is looked at.
    if (IsGateClosed()) return Fail(error, ErrModuleState);
    const PrivateKeyArgs args{privateExponent, nullptr, modulus, prime1, prime2, exponent1,
                              exponent2, coefficient, input, output};
    uint32_t length = 0;
    if (UnsealBlindedCore(args, false, &length, error) != 0) return -1;
    output->length = length;
    return 0;
}

extern "C" KXRSA_API int32_t KxUnsealRsaBlockBlinding2(const OctetString* privateExponent,
                                                       const OctetString* publicExponent,
                                                       const OctetString* modulus, const OctetString* prime1,
                                                       const OctetString* prime2, const OctetString* exponent1,
                                                       const OctetString* exponent2,
                                                       const OctetString* coefficient,
                                                       const OctetString* input, OctetString* output,
                                                       uint32_t* error) {
    if (IsGateClosed()) return Fail(error, ErrModuleState);
    const PrivateKeyArgs args{privateExponent, publicExponent, modulus, prime1, prime2, exponent1,
                              exponent2, coefficient, input, output};
    uint32_t length = 0;
    if (UnsealBlindedCore(args, true, &length, error) != 0) return -1;
    output->length = length;
    return 0;
}
