// Fuzz target: the three raw private-key exports with arbitrary, inconsistent
// key components. Input: flags (bits 0-1: plain, blinded, blinded with e;
// bit 2: no error location), then the records d, e (for the third export
// only), n, p, q, dP, dQ, qInv and the input.
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput in(data, size);
    const uint8_t flags = in.Byte();
    const int which = flags & 3;
    const bool noError = flags & 4;
    const OctetString* d = in.Record();
    const OctetString* e = which == 2 ? in.Record() : nullptr;
    const OctetString *n = in.Record(), *p = in.Record(), *q = in.Record(), *dP = in.Record(),
                      *dQ = in.Record(), *qInv = in.Record(), *x = in.Record();
    const bool usable = n != nullptr && n->data != nullptr;
    FuzzOutput out(usable ? n->length : 256);
    uint32_t error = 12345;
    uint32_t* errorAt = noError ? nullptr : &error;
    int32_t rc;
    if (which == 2)
        rc = KxUnsealRsaBlockBlinding2(d, e, n, p, q, dP, dQ, qInv, x, &out.record, errorAt);
    else if (which == 1)
        rc = KxUnsealRsaBlockBlinding(d, n, p, q, dP, dQ, qInv, x, &out.record, errorAt);
    else
        rc = KxUnsealRsaBlock(d, n, p, q, dP, dQ, qInv, x, &out.record, errorAt);
    CheckCall(rc, errorAt, {ErrParameter, ErrInternal}, &out);
    if (rc == 0) {
        // Minimal form: no leading zero byte.
        FuzzCheck(out.record.length == 0 || out.buffer[0] != 0, "leading zero in the result");
    }
    return 0;
}
