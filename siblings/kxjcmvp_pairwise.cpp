// The pair-wise consistency test of a key handed in by kxrsa's key generation.
// see kxjcmvp_rsa.h
#include "kxjcmvp_rsa.h"

namespace {

// Outputs of the raw operations and of signing are at most L <= 256 bytes.
constexpr uint32_t MAX_MODULUS_LENGTH = 256;

constexpr uint8_t PAIRWISE_MESSAGE[] = "kxrsa pair-wise consistency test";
constexpr uint32_t PAIRWISE_MESSAGE_LENGTH = sizeof(PAIRWISE_MESSAGE) - 1;

struct PairKey {
    const OctetString *d, *e, *n, *p, *q, *dP, *dQ, *qInv;
};

bool IsPresent(const OctetString* s) { return s != nullptr && s->data != nullptr; }

// Public then private operation on a fixed value one byte shorter than the
// value of n, hence below it, whose top byte is not zero (so the private
// result, in minimal form, must equal it byte for byte). The sealed value
// must differ from it: an exponent of 1 would pass the round trip alone.
bool RawRoundTripHolds(const KxRsaExports& rsa, const PairKey& key) {
    uint32_t top = 0;
    while (top < key.n->length && key.n->data[top] == 0) ++top;
    const uint32_t valueLength = key.n->length - top;
    if (valueLength < 2) return false;

    uint8_t valueBytes[MAX_MODULUS_LENGTH];
    for (uint32_t i = 0; i + 1 < valueLength; ++i) valueBytes[i] = static_cast<uint8_t>(0x4B + 29 * i);
    const OctetString value = {valueBytes, valueLength - 1};

    uint8_t sealedBytes[MAX_MODULUS_LENGTH];
    uint8_t openedBytes[MAX_MODULUS_LENGTH];
    OctetString sealed = {sealedBytes, 0};
    OctetString opened = {openedBytes, 0};
    uint32_t error = 0;
    if (rsa.seal(key.e, key.n, &value, &sealed, &error) != 0 || SameBytes(sealed, valueBytes, value.length))
        return false;
    return rsa.unseal(key.d, key.n, key.p, key.q, key.dP, key.dQ, key.qInv, &sealed, &opened, &error) == 0 &&
           SameBytes(opened, valueBytes, value.length);
}

// A v1.5 SHA-256 signature made with the private half verifies with the public half.
bool SignatureRoundTripHolds(const KxRsaExports& rsa, const PairKey& key) {
    const OctetString message = {const_cast<uint8_t*>(PAIRWISE_MESSAGE), PAIRWISE_MESSAGE_LENGTH};
    uint8_t signatureBytes[MAX_MODULUS_LENGTH];
    OctetString signature = {signatureBytes, 0};
    uint32_t error = 0;
    return rsa.sign(KxSchemeV15SignatureSha256, key.d, key.n, key.p, key.q, key.dP, key.dQ, key.qInv, &message,
                    &signature, &error) == 0 &&
           rsa.verify(KxSchemeV15SignatureSha256, key.e, key.n, &signature, &message, &error) == 0;
}

}  // namespace

int32_t RunRsaKeyPairTest(const OctetString* d, const OctetString* e, const OctetString* n,
                          const OctetString* p, const OctetString* q, const OctetString* dP,
                          const OctetString* dQ, const OctetString* qInv) {
    const PairKey key = {d, e, n, p, q, dP, dQ, qInv};
    // The output buffers hold L bytes at most; kxrsa itself refuses a longer n.
    if (!IsPresent(n) || n->length > MAX_MODULUS_LENGTH) return -1;
    KxRsaExports rsa;
    if (!OpenKxRsa(&rsa)) return -1;
    const bool passed = RawRoundTripHolds(rsa, key) && SignatureRoundTripHolds(rsa, key);
    CloseKxRsa(&rsa);
    return passed ? 0 : -1;
}
