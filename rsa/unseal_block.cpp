// KxUnsealRsaBlock: the raw RSA private-key operation by the CRT.
#include "frame.h"
#include "rsa.h"

extern "C" KXRSA_API int32_t KxUnsealRsaBlock(const OctetString* privateExponent, const OctetString* modulus,
                                              const OctetString* prime1, const OctetString* prime2,
                                              const OctetString* exponent1, const OctetString* exponent2,
                                              const OctetString* coefficient, const OctetString* input,
                                              OctetString* output, uint32_t* error) {
    // The entry gate comes before any argument is looked at.
    if (IsGateClosed()) return Fail(error, ErrModuleState);
    if (error == nullptr) return -1;
    *error = 0;

    // Argument rules (99). d is checked like the others but never used.
    const PrivateKeyArgs args{privateExponent, nullptr, modulus, prime1, prime2, exponent1,
                              exponent2, coefficient, input, output};
    if (!ArePrivateKeyArgsValid(args, false)) return Fail(error, ErrParameter);

    // The sixteen working integers, converted; then the CRT core (62).
    PrivateKeyWork k;
    if (AllocPrivateKeyWork(args, WordsFor(modulus->length), &k) != 0 || CrtCore(&k) != 0)
        return Fail(error, ErrInternal);

    // Minimal big-endian form (at most L bytes, M < n); the caller's
    //    record gets its length only now that nothing can fail any more.
    OctetString result{output->data, 0};
    BnToOctets(&result, &k.M);
    output->length = result.length;
    return 0;
}
