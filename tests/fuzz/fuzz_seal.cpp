// Fuzz target: KxSealRsaBlock on arbitrary exponent, modulus and input
// records; every result for a non-zero modulus against GMP's mpz_powm (a zero
// exponent gives 1, also for the modulus 1, where mpz_powm gives 0).
// Input: flags (bit 0: no error location), then the e, n and x records.
#include <gmp.h>

#include "fuzz_support.h"

namespace {
Bytes Minimal(const mpz_t v) {
    Bytes out((mpz_sizeinbase(v, 2) + 7) / 8);
    size_t count = 0;
    if (mpz_sgn(v) != 0) mpz_export(out.data(), &count, 1, 1, 1, 0, v);
    out.resize(count);
    return out;
}

Bytes PowMod(const OctetString& x, const OctetString& e, const OctetString& n) {
    mpz_t mx, me, mn, r;
    mpz_inits(mx, me, mn, r, nullptr);
    mpz_import(mx, x.length, 1, 1, 1, 0, x.data);
    mpz_import(me, e.length, 1, 1, 1, 0, e.data);
    mpz_import(mn, n.length, 1, 1, 1, 0, n.data);
    Bytes out;
    if (mpz_sgn(me) == 0) {
        out = {1};  // x^0 is 1 for every modulus, the modulus 1 included: not reduced, by design
    } else if (mpz_sgn(mn) != 0) {
        mpz_powm(r, mx, me, mn);
        out = Minimal(r);
    }
    mpz_clears(mx, me, mn, r, nullptr);
    return out;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput in(data, size);
    const bool noError = in.Byte() & 1;
    const OctetString *e = in.Record(), *n = in.Record(), *x = in.Record();
    const bool usable = n != nullptr && n->data != nullptr;
    FuzzOutput out(usable ? n->length : 256);
    uint32_t error = 12345;
    uint32_t* errorAt = noError ? nullptr : &error;
    const int32_t rc = KxSealRsaBlock(e, n, x, &out.record, errorAt);
    CheckCall(rc, errorAt, {ErrParameter, ErrInternal}, &out);
    if (rc == 0) {
        const Bytes want = PowMod(*x, *e, *n);
        FuzzCheck(out.Result() == want, "result differs from mpz_powm", out.record.length);
    }
    return 0;
}
