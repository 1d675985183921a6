// PKCS #1 v1.5 encryption blocks (block type 2), RFC 8017 7.2.
#include "family.h"
#include "pkcs1.h"

namespace {
// Every padding string has at least eight bytes: so the data is at most k - 11.
constexpr uint32_t kMinPadding = 8;
constexpr uint32_t kOverhead = kMinPadding + 3;
}  // namespace

// see pkcs1.h
int32_t EncodeV15Encryption(uint32_t /*scheme*/, const OctetString* input, OctetString* block,
                            uint32_t k, uint32_t* error) {
    // 1.-2. Room for the data behind eight padding bytes, and for the block.
    const uint32_t mLen = input->length;
    if (uint64_t{mLen} + kOverhead > k) return kBlockFailed;
    if (block->length < k) return kBlockFailed;

    // 3.-5. 00 02, then PS drawn straight into the block. A zero byte is not
    // drawn again but becomes 0xFF, so PS never holds the separator.
    uint8_t* em = block->data;
    const uint32_t psLen = k - mLen - 3;
    em[0] = 0x00;
    em[1] = 0x02;
    if (DrawRandomBytes(psLen, em + 2, error) != 0) return kBlockFailed;
    for (uint32_t i = 2; i < 2 + psLen; ++i)
        if (em[i] == 0x00) em[i] = 0xFF;

    // 6.-7. The separator and the data.
    em[k - mLen - 1] = 0x00;
    CopyBytes(em + (k - mLen), input->data, mLen);
    block->length = k;
    return kBlockOk;
}

// see pkcs1.h
int32_t DecodeV15Encryption(uint32_t /*scheme*/, const OctetString* block, OctetString* output,
                            uint32_t k, uint32_t* error) {
    (void)error;  // no check here can fail for lack of memory or randomness
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
