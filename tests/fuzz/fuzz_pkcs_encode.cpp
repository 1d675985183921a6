// Fuzz target: KxSealRsaBlockPKCS and KxSignRsaBlockPKCS with a fixed valid
// key and arbitrary messages and scheme identifiers. Input: flags (bit 0:
// sign, bit 1: the 512-bit key, bit 2: no error location, bit 3: no output
// record, bit 4: an output record with null data), the scheme identifier (4
// bytes, big-endian), then the message record.
//
// A result is k bytes and goes back through the matching decoder.
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput in(data, size);
    const uint8_t flags = in.Byte();
    const uint32_t scheme = in.Word();
    const bool sign = flags & 1;
    FuzzKeyRecords r(flags & 2);
    FuzzKey& key = r.key;
    uint32_t error = 12345;
    uint32_t* errorAt = flags & 4 ? nullptr : &error;
    const OctetString* message = in.Record();
    FuzzOutput out(key.k());
    if (flags & 16) out.record.data = nullptr;
    OctetString* outAt = flags & 8 ? nullptr : &out.record;
    const int32_t rc =
        sign ? KxSignRsaBlockPKCS(scheme, &r.d, &r.n, &r.p, &r.q, &r.dP, &r.dQ, &r.qInv, message, outAt, errorAt)
             : KxSealRsaBlockPKCS(scheme, &r.e, &r.n, message, outAt, errorAt);
    if (flags & 16) out.record.data = out.buffer.data();
    CheckCall(rc, errorAt, {ErrParameter, ErrEncode, ErrInternal}, &out);
    if (rc != 0) return 0;
    FuzzCheck(out.record.length == key.k(), "result is not k bytes", out.record.length);
    uint32_t back = 12345;
    if (sign) {
        FuzzCheck(KxVerifyRsaBlockPKCS(scheme, &r.e, &r.n, &out.record, message, &back) == 0, "signature rejected",
                  back);
        return 0;
    }
    FuzzOutput plain(key.k());
    FuzzCheck(KxUnsealRsaBlockPKCS(scheme, &r.d, &r.n, &r.p, &r.q, &r.dP, &r.dQ, &r.qInv, &out.record,
                                   &plain.record, &back) == 0,
              "ciphertext rejected", back);
    FuzzCheck(plain.record.length == message->length &&
                  (message->length == 0 || std::memcmp(plain.buffer.data(), message->data, message->length) == 0),
              "decrypted message differs");
    return 0;
}
