// see family.h
#include "family.h"

#include "kxfamily.h"
#include "secret_area.h"

namespace {

using DigestFunction = int32_t (*)(uint32_t, const uint8_t*, uint8_t*, uint32_t, uint8_t*, uint32_t*);

struct DigestEntry {
    DigestFunction function;
    uint32_t hashLength;
    uint32_t mode;  // the digest functions' fourth argument
};

// Indexed by the hash index of a scheme identifier.
const DigestEntry DIGESTS[kHashCount] = {
    {KxDigestMd2Block, 16, 3},    {KxDigestMd5Block, 16, 3},    {KxDigestSHA1Block, 20, 3},
    {KxDigestSHA256Block, 32, 4}, {KxDigestSHA384Block, 48, 4}, {KxDigestSHA512Block, 64, 4},
};

}  // namespace

uint32_t DigestHashLength(uint32_t hashIndex) {
    return hashIndex < kHashCount ? DIGESTS[hashIndex].hashLength : 0;
}

int32_t FamilyDigest(uint32_t hashIndex, uint32_t length, const uint8_t* input, uint8_t* digest,
                     uint32_t* error) {
    if (hashIndex >= kHashCount) return -1;
    SecretArea<1024> scratch;  // a replacement sibling may keep its state here
    const DigestEntry& entry = DIGESTS[hashIndex];
    return entry.function(length, input, digest, entry.mode, scratch.bytes, error);
}
