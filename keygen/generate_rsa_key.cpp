// KxGenerateRsaKey: the exported key generation, with the JCMVP pair-wise test.
#include "frame.h"
#include "keygen.h"

extern "C" KXRSA_API int32_t KxGenerateRsaKey(uint32_t modulusLength, int32_t exponentLength,
                                              OctetString* privateExponent, OctetString* publicExponent,
                                              OctetString* modulus, OctetString* prime1, OctetString* prime2,
                                              OctetString* exponent1, OctetString* exponent2,
                                              OctetString* coefficient, uint32_t* error) {
    // The entry gate comes before any argument is looked at.
    if (IsGateClosed()) return Fail(error, ErrModuleState);

    // The records are read once, here; the generation works on copies, so
    // the caller's lengths change only once a key has been accepted. A null
    // record stays null for the argument rules to refuse.
    OctetString* const callers[8] = {privateExponent, publicExponent, modulus,   prime1,
                                     prime2,          exponent1,      exponent2, coefficient};
    OctetString local[8] = {};
    OctetString* copies[8] = {};
    for (uint32_t i = 0; i < 8; ++i) {
        if (callers[i] == nullptr) continue;
        local[i] = *callers[i];
        copies[i] = &local[i];
    }
    if (GenerateRsaKeyPair(modulusLength, exponentLength, copies[0], copies[1], copies[2], copies[3],
                           copies[4], copies[5], copies[6], copies[7], error) != 0)
        return -1;

    // The new lengths.
    for (uint32_t i = 0; i < 8; ++i) callers[i]->length = local[i].length;

    // In the JCMVP mode the key must pass the pair-wise test; a rejected
    // key stays in the records with its lengths.
    if (IsJcmvpModeOn() && JcmvpRsaKeyPairCheck(callers[0], callers[1], callers[2], callers[3], callers[4],
                                                callers[5], callers[6], callers[7]) == 0)
        return Fail(error, ErrModuleState);
    return 0;
}
