// KxUnsealRsaBlockBlinding and KxUnsealRsaBlockBlinding2: the private-key
// operation on a blinded input, E derived from the key or given by the caller.
#include "frame.h"
#include "rsa.h"

namespace {

// Both exports: the gate before any argument is looked at, then the core; the
// caller's output length is written only on success.
int32_t UnsealBlinded(const PrivateKeyArgs& args, bool withPublicExponent, uint32_t* error) {
    if (IsGateClosed()) return Fail(error, ErrModuleState);
    uint32_t length = 0;
    if (UnsealBlindedCore(args, withPublicExponent, &length, error) != 0) return -1;
    args.output->length = length;
    return 0;
}

}  // namespace

extern "C" KXRSA_API int32_t KxUnsealRsaBlockBlinding(const OctetString* privateExponent,
                                                      const OctetString* modulus, const OctetString* prime1,
                                                      const OctetString* prime2, const OctetString* exponent1,
                                                      const OctetString* exponent2,
                                                      const OctetString* coefficient,
                                                      const OctetString* input, OctetString* output,
                                                      uint32_t* error) {
    return UnsealBlinded({privateExponent, nullptr, modulus, prime1, prime2, exponent1, exponent2, coefficient,
                          input, output},
                         false, error);
}

extern "C" KXRSA_API int32_t KxUnsealRsaBlockBlinding2(const OctetString* privateExponent,
                                                       const OctetString* publicExponent,
                                                       const OctetString* modulus, const OctetString* prime1,
                                                       const OctetString* prime2, const OctetString* exponent1,
                                                       const OctetString* exponent2,
                                                       const OctetString* coefficient,
                                                       const OctetString* input, OctetString* output,
                                                       uint32_t* error) {
    return UnsealBlinded({privateExponent, publicExponent, modulus, prime1, prime2, exponent1, exponent2,
                          coefficient, input, output},
                         true, error);
}
