// KxSealRsaBlock: the raw RSA public-key operation, input ^ e mod n.
#include "bignum.h"
#include "bn_release.h"
#include "frame.h"

extern "C" KXRSA_API int32_t KxSealRsaBlock(const OctetString* publicExponent, const OctetString* modulus,
                                            const OctetString* input, OctetString* output,
                                            uint32_t* error) {
    // The entry gate comes before any argument is looked at.
    if (IsGateClosed()) return Fail(error, ErrModuleState);
    if (error == nullptr) return -1;
    *error = 0;

    // Argument rules, in argument order. A zero modulus would make every
    // reduction a division by zero.
    if (!HasData(modulus) || !IsModulusLengthValid(modulus->length)) return Fail(error, ErrParameter);
    const uint32_t modulusLength = modulus->length;
    if (!FitsModulus(publicExponent, modulusLength) || !FitsModulus(input, modulusLength) ||
        !HasData(output) || IsZeroValue(modulus))
        return Fail(error, ErrParameter);

    // Four working integers of w + 1 words: exponent, modulus, input, result.
    const uint32_t w = WordsFor(modulusLength);
    BigNum e{}, n{}, x{}, y{};
    BnRelease release{&e, &n, &x, &y};
    if (BnAlloc(w + 1, &e) != 0 || BnAlloc(w + 1, &n) != 0 || BnAlloc(w + 1, &x) != 0 ||
        BnAlloc(w + 1, &y) != 0)
        return Fail(error, ErrInternal);

    // y = x^e mod n.
    BnFromOctets(&e, publicExponent);
    BnFromOctets(&n, modulus);
    BnFromOctets(&x, input);
    if (BnModExp(&x, &e, &n, &y) != 0) return Fail(error, ErrInternal);

    // Minimal big-endian form, at most L bytes since y < n. The caller's
    // record gets its length only now that nothing can fail any more.
    OctetString result{output->data, 0};
    BnToOctets(&result, &y);
    output->length = result.length;
    return 0;
}
