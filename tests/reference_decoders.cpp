// The decoders of encryption blocks as they were before they became
// branch-free: straightforward, first failure wins. The test build's
// reference for DecodeV15Encryption and DecodeOaep.
#include "reference_decoders.h"

namespace {
constexpr uint32_t kMinPadding = 8;
constexpr uint32_t kOverhead = kMinPadding + 3;

void LabelOf(const OctetString* label, const uint8_t** bytes, uint32_t* length) {
    const bool present = label != nullptr && label->data != nullptr;
    *bytes = present ? label->data : nullptr;
    *length = present ? label->length : 0;
}
}  // namespace

int32_t ReferenceDecodeV15Encryption(const OctetString* block, OctetString* output, uint32_t k) {
    // 1. The output must take the longest data a k-byte block can carry.
    if (int64_t{output->length} < int64_t{k} - kOverhead) return kBlockFailed;
    // 2.-4. A whole block of type 2.
    if (block->length != k || k < 2) return kBlockFailed;
    const uint8_t* em = block->data;
    if (em[0] != 0x00 || em[1] != 0x02) return kBlockFailed;

    // 5. The first zero byte after the type ends the padding string.
    uint32_t separator = 2;
    while (separator < k && em[separator] != 0x00) ++separator;
    if (separator == k) return kBlockFailed;
    // 6. At least eight padding bytes.
    if (separator - 2 < kMinPadding) return kBlockFailed;

    // 7. mLen = k - psLen - 3 <= k - 11 <= the output's capacity.
    const uint32_t mLen = k - separator - 1;
    CopyBytes(output->data, em + separator + 1, mLen);
    output->length = mLen;
    return kBlockOk;
}

int32_t ReferenceDecodeOaep(uint32_t scheme, const OctetString* block, const OctetString* label,
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
