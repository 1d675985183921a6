// PKCS #1 v1.5 signature blocks (block type 1 with a DER DigestInfo),
// RFC 8017 9.2 (EMSA-PKCS1-v1_5).
#include "family.h"
#include "pkcs1.h"

namespace {

// DER of DigestInfo ::= SEQUENCE { digestAlgorithm AlgorithmIdentifier
// (the hash OID, NULL parameters), digest OCTET STRING } up to and including
// the OCTET STRING's tag and length: RFC 8017 9.2 note 1 (as RFC 3447). E.g.
// SHA-256: 30 31 (SEQUENCE, 49 bytes) 30 0d (SEQUENCE) 06 09 (OID
// 2.16.840.1.101.3.4.2.1) 05 00 (NULL) 04 20 (OCTET STRING, 32 bytes).
// tests/test_pkcs1_interop.cpp checks them through signatures byte-identical to
// OpenSSL's (MD5 to SHA-512) and a known MD2 block.
constexpr uint32_t kMaxPrefixLength = 19;
struct Prefix {
    uint32_t length;
    uint8_t bytes[kMaxPrefixLength];
};
constexpr Prefix DIGEST_INFO_PREFIXES[kHashCount] = {
    // MD2, OID 1.2.840.113549.2.2
    {18, {0x30, 0x20, 0x30, 0x0c, 0x06, 0x08, 0x2a, 0x86, 0x48, 0x86, 0xf7, 0x0d, 0x02, 0x02, 0x05,
          0x00, 0x04, 0x10}},
    // MD5, OID 1.2.840.113549.2.5
    {18, {0x30, 0x20, 0x30, 0x0c, 0x06, 0x08, 0x2a, 0x86, 0x48, 0x86, 0xf7, 0x0d, 0x02, 0x05, 0x05,
          0x00, 0x04, 0x10}},
    // SHA-1, OID 1.3.14.3.2.26
    {15, {0x30, 0x21, 0x30, 0x09, 0x06, 0x05, 0x2b, 0x0e, 0x03, 0x02, 0x1a, 0x05, 0x00, 0x04, 0x14}},
    // SHA-256, OID 2.16.840.1.101.3.4.2.1
    {19, {0x30, 0x31, 0x30, 0x0d, 0x06, 0x09, 0x60, 0x86, 0x48, 0x01, 0x65, 0x03, 0x04, 0x02, 0x01,
          0x05, 0x00, 0x04, 0x20}},
    // SHA-384, OID 2.16.840.1.101.3.4.2.2
    {19, {0x30, 0x41, 0x30, 0x0d, 0x06, 0x09, 0x60, 0x86, 0x48, 0x01, 0x65, 0x03, 0x04, 0x02, 0x02,
          0x05, 0x00, 0x04, 0x30}},
    // SHA-512, OID 2.16.840.1.101.3.4.2.3
    {19, {0x30, 0x51, 0x30, 0x0d, 0x06, 0x09, 0x60, 0x86, 0x48, 0x01, 0x65, 0x03, 0x04, 0x02, 0x03,
          0x05, 0x00, 0x04, 0x40}},
};

}  // namespace

// see pkcs1.h
uint32_t DigestInfoPrefixLength(uint32_t scheme) {
    return SchemeHashLength(scheme) != 0 ? DIGEST_INFO_PREFIXES[SchemeHashIndex(scheme)].length : 0;
}

// see pkcs1.h
const uint8_t* DigestInfoPrefix(uint32_t scheme) {
    return DIGEST_INFO_PREFIXES[SchemeHashIndex(scheme)].bytes;
}

// see pkcs1.h
int32_t EncodeV15Signature(uint32_t scheme, const OctetString* message, OctetString* block,
                           uint32_t k, uint32_t* error) {
    // T = prefix || H; the block needs eight 0xFF bytes besides 00 01 .. 00.
    const uint32_t hLen = SchemeHashLength(scheme);
    const uint32_t prefixLen = DigestInfoPrefixLength(scheme);
    const uint32_t tLen = prefixLen + hLen;
    if (hLen == 0 || uint64_t{k} < uint64_t{tLen} + 11) return kBlockFailed;

    // T in its own buffer.
    uint8_t* t = nullptr;
    BytesRelease release{&t};
    if (AllocBytes(&t, tLen, error) != 0) return kBlockNoMemory;
    CopyBytes(t, DigestInfoPrefix(scheme), prefixLen);
    if (SchemeDigest(scheme, message->length, message->data, t + prefixLen, error) == -1)
        return kBlockFailed;

    // EM = 00 01 FF..FF 00 T.
    uint8_t* em = block->data;
    em[0] = 0x00;
    em[1] = 0x01;
    FillBytes(em + 2, 0xFF, k - tLen - 3);
    em[k - tLen - 1] = 0x00;
    CopyBytes(em + (k - tLen), t, tLen);
    return kBlockOk;
}

// see pkcs1.h
int32_t VerifyV15Signature(uint32_t scheme, const OctetString* candidate,
                           const OctetString* message, uint32_t k, uint32_t* error) {
    if (candidate->length != k) return kBlockFailed;
    // The expected block for this message.
    uint8_t* expected = nullptr;
    BytesRelease release{&expected};
    if (AllocBytes(&expected, k, error) != 0) return kBlockNoMemory;
    OctetString expectedBlock{expected, k};
    const int32_t result = EncodeV15Signature(scheme, message, &expectedBlock, k, error);
    if (result != kBlockOk) return result;

    // Nothing is parsed: the type, the padding and the DigestInfo are
    // tested only through this exact comparison (RFC 8017 8.2.2 step 4).
    for (uint32_t i = 0; i < k; ++i)
        if (candidate->data[i] != expected[i]) return kBlockFailed;
    return kBlockOk;
}
