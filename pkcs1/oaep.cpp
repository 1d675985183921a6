// OAEP encryption blocks (EME-OAEP, RFC 8017 7.1) with MGF1 over the scheme's
// hash. Each intermediate value lives in a buffer of its own.
#include "ct_mask.h"
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
    // mLen <= k - 2hLen - 2 (in 64 bits: no wrap for a short modulus).
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

    // DB = lHash || PS (zeros) || 01 || M.
    if (AllocBytes(&db, dbLen, error) != 0) return kBlockNoMemory;
    if (SchemeDigest(scheme, lLen, l, db, error) == -1) return kBlockFailed;
    FillBytes(db + hLen, 0x00, psLen);
    db[hLen + psLen] = 0x01;
    CopyBytes(db + hLen + psLen + 1, input->data, mLen);

    // Seed: hLen random bytes, zero bytes kept.
    if (AllocBytes(&seed, hLen, error) != 0) return kBlockNoMemory;
    if (DrawRandomBytes(hLen, seed, error) != 0) return kBlockFailed;

    // maskedDB = DB ^ MGF1(seed, dbLen).
    int32_t result = MaskWithMgf1(scheme, hLen, seed, db, dbLen, &dbMask, &maskedDb, error);
    if (result != kBlockOk) return result;

    // maskedSeed = seed ^ MGF1(maskedDB, hLen).
    result = MaskWithMgf1(scheme, dbLen, maskedDb, seed, hLen, &seedMask, &maskedSeed, error);
    if (result != kBlockOk) return result;

    // EM = 00 || maskedSeed || maskedDB.
    uint8_t* em = block->data;
    em[0] = 0x00;
    CopyBytes(em + 1, maskedSeed, hLen);
    CopyBytes(em + 1 + hLen, maskedDb, dbLen);
    return kBlockOk;
}

// see pkcs1.h
int32_t DecodeOaep(uint32_t scheme, const OctetString* block, const OctetString* label,
                   OctetString* output, uint32_t k, uint32_t* error) {
    // Public facts first: the lengths.
    const uint32_t hLen = SchemeHashLength(scheme);
    if (hLen == 0 || k < 2 * uint64_t{hLen} + 2 || block->length < k) return kBlockFailed;
    const uint8_t* em = block->data;
    const uint32_t leadingZero = CtIsZero(em[0]);
    const uint8_t* l;
    uint32_t lLen;
    LabelOf(label, &l, &lLen);
    const uint32_t dbLen = k - hLen - 1;

    // The leading byte is not decided here: the steps below run for every
    // block. A step that fails (no memory, a digest) still ends with what
    // deciding the byte first gives: a format failure, with the error
    // location untouched, when the byte is not zero.
    uint32_t stepError = error != nullptr ? *error : 0;
    auto stepFailed = [&](int32_t result) {
        if (error != nullptr) *error = CtSelect(leadingZero, stepError, *error);
        return static_cast<int32_t>(
            CtSelect(leadingZero, static_cast<uint32_t>(result), static_cast<uint32_t>(kBlockFailed)));
    };

    uint8_t *maskedSeed = nullptr, *maskedDb = nullptr, *seedMask = nullptr, *seed = nullptr;
    uint8_t *dbMask = nullptr, *db = nullptr, *lHash = nullptr;
    BytesRelease release{&maskedSeed, &maskedDb, &seedMask, &seed, &dbMask, &db, &lHash};

    // The two masked parts in buffers of their own.
    if (AllocBytes(&maskedSeed, hLen, &stepError) != 0 || AllocBytes(&maskedDb, dbLen, &stepError) != 0)
        return stepFailed(kBlockNoMemory);
    CopyBytes(maskedSeed, em + 1, hLen);
    CopyBytes(maskedDb, em + 1 + hLen, dbLen);

    // seed = maskedSeed ^ MGF1(maskedDB, hLen).
    int32_t result =
        MaskWithMgf1(scheme, dbLen, maskedDb, maskedSeed, hLen, &seedMask, &seed, &stepError);
    if (result != kBlockOk) return stepFailed(result);

    // DB = maskedDB ^ MGF1(seed, dbLen).
    result = MaskWithMgf1(scheme, hLen, seed, maskedDb, dbLen, &dbMask, &db, &stepError);
    if (result != kBlockOk) return stepFailed(result);

    // lHash of the label.
    if (AllocBytes(&lHash, hLen, &stepError) != 0) return stepFailed(kBlockNoMemory);
    if (SchemeDigest(scheme, lLen, l, lHash, &stepError) == -1) return stepFailed(kBlockFailed);

    // The leading zero, lHash' == lHash, then zeros up to the first
    // non-zero byte, which must be 01: masks over every byte of DB.
    uint32_t difference = 0;
    for (uint32_t i = 0; i < hLen; ++i) difference |= static_cast<uint32_t>(lHash[i] ^ db[i]);
    uint32_t looking = ~0u, one = 0, misplaced = 0;
    for (uint32_t i = hLen; i < dbLen; ++i) {
        const uint32_t first = looking & ~CtIsZero(db[i]);
        one = CtSelect(first, i, one);
        misplaced |= first & ~CtEqual(db[i], 0x01);
        looking &= ~first;
    }
    const uint32_t valid = leadingZero & CtIsZero(difference) & ~looking & ~misplaced;

    // M is everything after the 01: mLen <= k - 2hLen - 2 bytes, taken from
    // the end of DB. The output holds k bytes.
    const uint32_t span = dbLen - hLen - 1;
    const uint32_t mLen = dbLen - one - 1;
    CtCopyData(db + hLen + 1, span, mLen, valid, output->data, span);
    output->length = CtSelect(valid, mLen, output->length);
    return static_cast<int32_t>(CtSelect(valid, kBlockOk, static_cast<uint32_t>(kBlockFailed)));
}
