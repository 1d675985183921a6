// Fuzz target: KxUnsealRsaBlockPKCS and KxVerifyRsaBlockPKCS with a fixed
// valid key and arbitrary ciphertexts, signatures, messages and scheme
// identifiers. Input: flags (bit 0: verify, bit 1: the 512-bit key, bit 2: no
// error location), the scheme identifier (4 bytes, big-endian), then the
// ciphertext or signature record and, for verifying, the message record.
//
// A failed decryption may leave the raw result in the output (the
// ciphertext's c^d mod n, minimal): that is checked against GMP.
#include <gmp.h>

#include "fuzz_support.h"

namespace {
Bytes RawPrivate(const FuzzKey& key, const OctetString& c) {
    mpz_t mc, md, mn;
    mpz_inits(mc, md, mn, nullptr);
    mpz_import(mc, c.length, 1, 1, 1, 0, c.data);
    mpz_import(md, key.d.size(), 1, 1, 1, 0, key.d.data());
    mpz_import(mn, key.n.size(), 1, 1, 1, 0, key.n.data());
    mpz_powm(mc, mc, md, mn);
    Bytes out((mpz_sizeinbase(mc, 2) + 7) / 8);
    size_t count = 0;
    if (mpz_sgn(mc) != 0) mpz_export(out.data(), &count, 1, 1, 1, 0, mc);
    out.resize(count);
    mpz_clears(mc, md, mn, nullptr);
    return out;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput in(data, size);
    const uint8_t flags = in.Byte();
    const uint32_t scheme = in.Word();
    FuzzKeyRecords r(flags & 2);
    FuzzKey& key = r.key;
    uint32_t error = 12345;
    uint32_t* errorAt = flags & 4 ? nullptr : &error;
    const OctetString* input = in.Record();
    if (flags & 1) {
        const OctetString* message = in.Record();
        const int32_t rc = KxVerifyRsaBlockPKCS(scheme, &r.e, &r.n, input, message, errorAt);
        CheckCall(rc, errorAt, {ErrParameter, ErrVerify, ErrInternal}, nullptr);
        return 0;
    }
    FuzzOutput out(key.k());
    const int32_t rc =
        KxUnsealRsaBlockPKCS(scheme, &r.d, &r.n, &r.p, &r.q, &r.dP, &r.dQ, &r.qInv, input, &out.record, errorAt);
    FuzzCheck(rc == 0 || rc == -1, "return value", static_cast<uint32_t>(rc));
    FuzzCheck(out.GuardIntact(), "written past the output buffer");
    if (rc == -1 && errorAt != nullptr && (error == ErrDecrypt || error == ErrInternal) && !out.Untouched()) {
        // Failed after the raw step: its result stays in the output.
        FuzzCheck(out.record.length <= key.k() && out.Result() == RawPrivate(key, *input),
                  "output after a failed decryption is not the raw result", error);
        return 0;
    }
    CheckCall(rc, errorAt, {ErrParameter, ErrDecrypt, ErrInternal}, &out);
    return 0;
}
