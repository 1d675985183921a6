// PKCS #1 v1.5 encryption blocks (block type 2), RFC 8017 7.2.
#include "ct_mask.h"
#include "family.h"
#include "frame.h"
#include "pkcs1.h"
#include "secret_area.h"

namespace {
// Every padding string has at least eight bytes: so the data is at most k - 11.
constexpr uint32_t kMinPadding = 8;
constexpr uint32_t kOverhead = kMinPadding + 3;
}  // namespace

// see pkcs1.h
int32_t EncodeV15Encryption(const OctetString* input, OctetString* block, uint32_t k,
                            uint32_t* error) {
    // Room for the data behind eight padding bytes.
    const uint32_t mLen = input->length;
    if (uint64_t{mLen} + kOverhead > k) return kBlockFailed;

    // 00 02, then PS drawn straight into the block. A zero byte is not
    // drawn again but becomes 0xFF, so PS never holds the separator.
    uint8_t* em = block->data;
    const uint32_t psLen = k - mLen - 3;
    em[0] = 0x00;
    em[1] = 0x02;
    if (DrawRandomBytes(psLen, em + 2, error) != 0) return kBlockFailed;
    for (uint32_t i = 2; i < 2 + psLen; ++i)
        if (em[i] == 0x00) em[i] = 0xFF;

    // The separator and the data.
    em[k - mLen - 1] = 0x00;
    CopyBytes(em + (k - mLen), input->data, mLen);
    block->length = k;
    return kBlockOk;
}

// see pkcs1.h
int32_t DecodeV15Encryption(const OctetString* block, OctetString* output, uint32_t k) {
    // Public facts only decide early: the lengths. Below 11 bytes no block
    // has room for its padding; above the exports' limit there is no area.
    if (block->length != k || k < kOverhead || k > kMaxModulusLength) return kBlockFailed;

    // Every check is a mask over every byte, whatever came before: the
    // output's capacity for the longest data (k - 11), 00 02, the first zero
    // byte after the type (the separator) and at least eight padding bytes.
    const uint8_t* em = block->data;
    const uint32_t span = k - kOverhead;
    uint32_t valid = ~CtLess(output->length, span) & CtIsZero(em[0]) & CtEqual(em[1], 0x02);
    uint32_t looking = ~0u, separator = 0;
    for (uint32_t i = 2; i < k; ++i) {
        const uint32_t zero = looking & CtIsZero(em[i]);
        separator = CtSelect(zero, i, separator);
        looking &= ~zero;
    }
    valid &= ~looking & ~CtLess(separator, 2 + kMinPadding);

    // The data, mLen = k - psLen - 3 <= k - 11 bytes, ends the block: taken
    // from its last k - 11 bytes, which a valid block's data lies within.
    const uint32_t mLen = k - separator - 1;
    SecretArea<kMaxModulusLength> area;
    CopyBytes(area.bytes, em + kOverhead, span);
    CtCopyData(area.bytes, span, mLen, valid, output->data, output->length);
    output->length = CtSelect(valid, mLen, output->length);
    return static_cast<int32_t>(CtSelect(valid, kBlockOk, static_cast<uint32_t>(kBlockFailed)));
}
