// OAEP encryption blocks (EME-OAEP, RFC 8017 7.1) with MGF1 over the scheme's
// hash. Each intermediate value lives in a buffer of its own.
#include "family.h"
#include "pkcs1.h"

namespace {

// The label's bytes: a missing record or a null data pointer is the empty label.
void LabelOf(const OctetString* label, const uint8_t** bytes, uint32_t* length) {
    const bool present = label != nullptr && label->data != nullptr;
    *bytes = present ? label->data : nullptr;
    *length = present ? label->length : 0;
}

}  // namespace

// see pkcs1.h
int32_t EncodeOaep(uint32_t scheme, const OctetString* input, const OctetString* label,
                   OctetString* block, uint32_t k, uint32_t* error) {
    // 1. mLen <= k - 2hLen - 2 (in 64 bits: no wrap for a short modulus).
    const uint32_t hLen = SchemeHashLength(scheme);
    const uint32_t mLen = input->length;
    if (hLen == 0 || uint64_t{mLen} + 2 * uint64_t{hLen} + 2 > k) return kBlockFailed;
    const uint8_t* l;
    uint32_t lLen;
    LabelOf(label, &l, &lLen);
    const uint32_t dbLen = k - hLen - 1;
    const uint32_t psLen = k - mLen - 2 * hLen - 2;

    uint8_t *db = nullptr, *seed = nullptr, *dbMask = nullptr, *maskedDb = nullptr;
    uint8_t *seedMask = nullptr, *maskedSeed = nullptr;
    BytesRelease release{&db, &seed, &dbMask, &maskedDb, &seedMask, &maskedSeed};

    // 3.-4. DB = lHash || PS (zeros) || 01 || M.
    if (AllocBytes(&db, dbLen, error) != 0) return kBlockNoMemory;
    if (SchemeDigest(scheme, lLen, l, db, error) == -1) return kBlockFailed;
    FillBytes(db + hLen, 0x00, psLen);
    db[hLen + psLen] = 0x01;
    CopyBytes(db + hLen + psLen + 1, input->data, mLen);

    // 5. seed: hLen random bytes, zero bytes kept.
    if (AllocBytes(&seed, hLen, error) != 0) return kBlockNoMemory;
    if (DrawRandomBytes(hLen, seed, error) != 0) return kBlockFailed;

    // 6. maskedDB = DB ^ MGF1(seed, dbLen).
    int32_t result = MaskWithMgf1(scheme, hLen, seed, db, dbLen, &dbMask, &maskedDb, error);
    if (result != kBlockOk) return result;

    // 7. maskedSeed = seed ^ MGF1(maskedDB, hLen).
    result = MaskWithMgf1(scheme, dbLen, maskedDb, seed, hLen, &seedMask, &maskedSeed, error);
    if (result != kBlockOk) return result;

    // 8. EM = 00 || maskedSeed || maskedDB.
    uint8_t* em = block->data;
    em[0] = 0x00;
    CopyBytes(em + 1, maskedSeed, hLen);
    CopyBytes(em + 1 + hLen, maskedDb, dbLen);
    return kBlockOk;
}

// see pkcs1.h
int32_t DecodeOaep(uint32_t scheme, const OctetString* block, const OctetString* label,
                   OctetString* output, uint32_t k, uint32_t* error) {
    // 1.-3. Public facts first: the lengths and the leading zero byte.
    const uint32_t hLen = SchemeHashLength(scheme);
    if (hLen == 0 || k < 2 * uint64_t{hLen} + 2 || block->length < k) return kBlockFailed;
    const uint8_t* em = block->data;
    if (em[0] != 0x00) return kBlockFailed;
    const uint8_t* l;
    uint32_t lLen;
    LabelOf(label, &l, &lLen);
    const uint32_t dbLen = k - hLen - 1;

    uint8_t *maskedSeed = nullptr, *maskedDb = nullptr, *seedMask = nullptr, *seed = nullptr;
    uint8_t *dbMask = nullptr, *db = nullptr, *lHash = nullptr;
    BytesRelease release{&maskedSeed, &maskedDb, &seedMask, &seed, &dbMask, &db, &lHash};

    // 4. The two masked parts in buffers of their own.
    if (AllocBytes(&maskedSeed, hLen, error) != 0 || AllocBytes(&maskedDb, dbLen, error) != 0)
        return kBlockNoMemory;
    CopyBytes(maskedSeed, em + 1, hLen);
    CopyBytes(maskedDb, em + 1 + hLen, dbLen);

    // 5. seed = maskedSeed ^ MGF1(maskedDB, hLen).
    int32_t result = MaskWithMgf1(scheme, dbLen, maskedDb, maskedSeed, hLen, &seedMask, &seed, error);
    if (result != kBlockOk) return result;

    // 6. DB = maskedDB ^ MGF1(seed, dbLen).
    if ((result = MaskWithMgf1(scheme, hLen, seed, maskedDb, dbLen, &dbMask, &db, error)) != kBlockOk)
        return result;

    // 7. lHash of the label.
    if (AllocBytes(&lHash, hLen, error) != 0) return kBlockNoMemory;
    if (SchemeDigest(scheme, lLen, l, lHash, error) == -1) return kBlockFailed;

    // 7.-8. lHash' == lHash, then zeros, then 01. The checks share one outcome,
    // so they are all made and decided once.
    uint8_t difference = 0;
    for (uint32_t i = 0; i < hLen; ++i) difference |= static_cast<uint8_t>(lHash[i] ^ db[i]);
    uint32_t one = hLen;
    while (one < dbLen && db[one] == 0x00) ++one;
    if (difference != 0 || one == dbLen || db[one] != 0x01) return kBlockFailed;

    // 9. M is everything after the 01: mLen <= dbLen - hLen - 1 < k.
    const uint32_t mLen = dbLen - one - 1;
    CopyBytes(output->data, db + one + 1, mLen);
    output->length = mLen;
    return kBlockOk;
}
