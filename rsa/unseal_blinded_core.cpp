// see rsa.h
#include "frame.h"
#include "rsa.h"

int32_t UnsealBlindedCore(const PrivateKeyArgs& args, bool hasE, uint32_t* outputLength,
                          uint32_t* error) {
    // 1.-2. The error location, then the argument rules (99).
    if (error == nullptr) return -1;
    *error = 0;
    if (!ArePrivateKeyArgsValid(args, hasE)) return Fail(error, ErrParameter);

    // 3. The sixteen records of the CRT core, converted. N.used is still w.
    PrivateKeyWork k;
    BigNum R{}, E{};
    BnRelease release{&R, &E};
    if (AllocPrivateKeyWork(args, WordsFor(args.n->length), &k) != 0) return Fail(error, ErrInternal);

    // 4. R from 4·w fresh bytes, drawn only after the conversions.
    if (DrawBlindingFactor(&R, &k.N) != 0) return Fail(error, ErrInternal);

    // 5. E: the caller's e (at most L bytes, so w words), or d^-1 mod (p-1)(q-1).
    if (hasE) {
        if (BnAlloc(k.N.used + 1, &E) != 0) return Fail(error, ErrInternal);
        BnFromOctets(&E, args.e);
    } else if (DerivePublicExponent(&k.P, &k.Q, &k.D, &k.N, &E) != 0) {
        return Fail(error, ErrInternal);
    }

    // 6.-8. IN = c·R^E, M = IN^d = c^d·R^(E·d) = c^d·R (mod n), M = M·R^-1.
    if (BlindInput(&k, &R, &E) != 0 || CrtCore(&k) != 0 || UnblindResult(&k.M, &R, &k.N) != 0)
        return Fail(error, ErrInternal);

    // 9.-10. R and E go first; the result, below n, in minimal form.
    BnFree(&R);
    BnFree(&E);
    OctetString result{args.output->data, 0};
    BnToOctets(&result, &k.M);
    *outputLength = result.length;
    return 0;
}
