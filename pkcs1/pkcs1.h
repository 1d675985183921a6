// pkcs1.h: the PKCS #1 layer: scheme identifiers, digests by identifier,
// MGF1, the byte buffers of the layer, the four block formats (v1.5 type 2,
// OAEP, v1.5 type 1 with DigestInfo, PSS), the dispatch from identifier to
// block operation, and the four PKCS exports declared in kxrsa.h.
//
// Notation as in RFC 8017: k is the modulus length in bytes (the `length` of
// the caller's modulus record), hLen the hash length of the scheme, mLen the
// data length, emLen / emBits the PSS block length and bit length.
//
// Results of the block operations (and of Mgf1): kBlockOk, kBlockFailed or
// kBlockNoMemory. kBlockFailed covers every check that failed and every
// failure of the random generator or of a digest; those write no code of
// their own (the generator or digest may have written one, which the
// exports overwrite). kBlockNoMemory means one of the operation's own
// buffers could not be obtained and AllocBytes stored 62: the exports keep
// 62 exactly in that case, decided from the result, never by reading the
// error location back.
//
// The two decoders of encryption blocks examine every byte of the block
// whatever its content and decide once, at the end, with masks (ct_mask.h):
// their time does not show where a block went wrong. Nothing else here is
// constant-time. Byte buffers are released without clearing.
#ifndef KXRSA_PKCS1_PKCS1_H
#define KXRSA_PKCS1_PKCS1_H

#include <cstddef>
#include <cstdint>

#include "kxrsa.h"

constexpr int32_t kBlockOk = 0;
constexpr int32_t kBlockFailed = -1;
constexpr int32_t kBlockNoMemory = -2;

// ---------------------------------------------------------------------------
// Scheme identifiers
// ---------------------------------------------------------------------------
// 0 is v1.5 encryption; 0x10 + h OAEP, 0x10000 + h v1.5 signature, 0x10010 + h
// PSS, for hash index h in 0..5 (MD2, MD5, SHA-1, SHA-256, SHA-384, SHA-512):
// 0x10000 marks a signature scheme, 0x10 a version-2 scheme (OAEP, PSS), the
// low four bits carry h. No other value is an identifier.

// IsEncryptionScheme: 0 or 0x10..0x15 (accepted by seal and unseal).
bool IsEncryptionScheme(uint32_t scheme);
// IsSignatureScheme: 0x10000..0x10005 or 0x10010..0x10015 (sign and verify).
bool IsSignatureScheme(uint32_t scheme);
// IsVersion2Scheme: OAEP or PSS (bit 0x10 set). Meaningful for identifiers only.
inline bool IsVersion2Scheme(uint32_t scheme) { return (scheme & 0x10u) != 0; }
// SchemeHashIndex: the low four bits, the hash index of an identifier.
inline uint32_t SchemeHashIndex(uint32_t scheme) { return scheme & 0xFu; }

// SchemeHashLength: 16, 16, 20, 32, 48 or 64 for an identifier with a hash;
//   0 for identifier 0 and for every value that is not an identifier.
uint32_t SchemeHashLength(uint32_t scheme);

// SchemeDigest: hLen bytes of the digest of `length` bytes at `input` into
//   `digest`, through the sibling digest of the identifier's hash (with its
//   own 1024-byte scratch on the stack). Returns the digest function's result
//   unchanged: -1 is failure (with whatever code it wrote to *error), any
//   other value success. The identifier is not validated: callers pass only
//   identifiers with a hash. `input` may be null when `length` is 0.
int32_t SchemeDigest(uint32_t scheme, uint32_t length, const uint8_t* input, uint8_t* digest,
                     uint32_t* error);

// Mgf1: maskLen bytes of MGF1 (RFC 8017 B.2.1) of the seed with the scheme's
//   hash into `mask`. It computes floor(maskLen / hLen) + 1 digests, one more
//   than needed when hLen divides maskLen, into an area of maskLen + hLen
//   bytes, over a work buffer of seedLen + 4 bytes (both through AllocBytes,
//   in that order). kBlockOk; kBlockFailed when a digest failed (no code of
//   its own); kBlockNoMemory with 62 stored. `mask` may alias `seed`.
int32_t Mgf1(uint32_t scheme, uint32_t seedLen, const uint8_t* seed, uint32_t maskLen,
             uint8_t* mask, uint32_t* error);

// MaskWithMgf1: *mask = MGF1(seed, length), then *out = in ^ *mask, each in a
//   buffer of its own obtained here in that order (the caller releases both,
//   on failure too). Results as Mgf1.
int32_t MaskWithMgf1(uint32_t scheme, uint32_t seedLen, const uint8_t* seed, const uint8_t* in,
                     uint32_t length, uint8_t** mask, uint8_t** out, uint32_t* error);

// ---------------------------------------------------------------------------
// Byte buffers
// ---------------------------------------------------------------------------

// AllocBytes: `size` bytes from the heap into *bytes (0 bytes succeeds with a
//   valid pointer). 0, or -1 with 62 stored in *error (when not null) and
//   *bytes null. Every buffer so obtained is released by its user on every
//   path (BytesRelease).
int32_t AllocBytes(uint8_t** bytes, size_t size, uint32_t* error);

// BytesRelease: set each byte pointer to null before its first allocation and
// name it here; the destructor releases exactly those that were obtained.
struct BytesRelease {
    static constexpr uint32_t kMax = 8;
    template <typename... Buffers>
    explicit BytesRelease(Buffers... list) : buffers{list...}, n(sizeof...(Buffers)) {
        static_assert(sizeof...(Buffers) <= kMax, "BytesRelease holds at most kMax buffers");
    }
    ~BytesRelease();
    BytesRelease(const BytesRelease&) = delete;
    BytesRelease& operator=(const BytesRelease&) = delete;

    uint8_t** buffers[kMax] = {};
    uint32_t n = 0;
};

// CopyBytes, FillBytes, XorBytes: memcpy / memset / a ^= b over `count` bytes
//   that accept null pointers when `count` is 0 (an empty record may carry a
//   null data pointer).
void CopyBytes(uint8_t* to, const uint8_t* from, size_t count);
void FillBytes(uint8_t* to, uint8_t value, size_t count);
void XorBytes(uint8_t* to, const uint8_t* with, size_t count);

// ---------------------------------------------------------------------------
// Encryption blocks
// ---------------------------------------------------------------------------

// EncodeV15Encryption: the k-byte v1.5 type-2 block of `input` (RFC 8017
//   7.2.1): 00 02 PS 00 M, PS k - mLen - 3 >= 8 random bytes with every zero
//   byte drawn replaced by 0xFF. block->data holds k bytes; on success
//   block->length is set to k. Fails when mLen > k - 11 or the generator fails.
int32_t EncodeV15Encryption(const OctetString* input, OctetString* block, uint32_t k,
                            uint32_t* error);

// DecodeV15Encryption: the data of the k-byte type-2 block. Fails unless
//   all hold: block->length == k; output->length (its capacity) >= k - 11;
//   00 at offset 0; 02 at offset 1; a 00 somewhere after the padding; at
//   least 8 padding bytes. On success writes mLen <= k - 11 bytes at
//   output->data and sets output->length; on failure the output is as it
//   was. Without branches on the block's bytes; k <= kMaxModulusLength (the
//   exports' limit; a longer block fails). No check can fail for lack of
//   memory or randomness, so it takes no error location.
int32_t DecodeV15Encryption(const OctetString* block, OctetString* output, uint32_t k);

// EncodeOaep: the k-byte EME-OAEP block of `input` (RFC 8017 7.1.1) with the
//   scheme's hash for lHash and MGF1, an hLen-byte random seed, and `label`
//   (null record or null data: the empty label). Fails when mLen > k - 2hLen -
//   2, or a digest or the generator fails. Writes k bytes at block->data
//   (which must hold k); block->length is left to the caller.
int32_t EncodeOaep(uint32_t scheme, const OctetString* input, const OctetString* label,
                   OctetString* block, uint32_t k, uint32_t* error);

// DecodeOaep: the data of the k-byte OAEP block at block->data (RFC 8017
//   7.1.2). Fails when k < 2hLen + 2, the first byte is not 00, lHash differs,
//   or no 01 follows the zero run. On success writes mLen < k bytes at
//   output->data (which must hold k; its incoming length is not consulted)
//   and sets output->length; on failure the output is as it was. Without
//   branches on the block's bytes: the buffers are obtained and the digests
//   run for every block, and a failed step with a non-zero first byte gives
//   kBlockFailed with *error untouched, as deciding that byte first would.
int32_t DecodeOaep(uint32_t scheme, const OctetString* block, const OctetString* label,
                   OctetString* output, uint32_t k, uint32_t* error);

// ---------------------------------------------------------------------------
// Signature blocks
// ---------------------------------------------------------------------------

// DigestInfoPrefixLength: 18 (MD2, MD5), 15 (SHA-1) or 19 (SHA-2), the length
//   of the DER DigestInfo up to the digest's OCTET STRING header; 0 for a
//   value without a hash.
uint32_t DigestInfoPrefixLength(uint32_t scheme);
// DigestInfoPrefix: the constant prefix of the identifier's hash. Only
//   identifiers with a hash (SchemeHashLength != 0).
const uint8_t* DigestInfoPrefix(uint32_t scheme);

// EncodeV15Signature: the k-byte type-1 block of the message (RFC 8017 9.2):
//   00 01 FF..FF 00 T, T = DigestInfo prefix || digest. Fails when k < tLen +
//   11 or the digest fails. Writes k bytes at block->data; block->length is
//   left to the caller.
int32_t EncodeV15Signature(uint32_t scheme, const OctetString* message, OctetString* block,
                           uint32_t k, uint32_t* error);

// VerifyV15Signature: kBlockOk when the candidate (k bytes) is exactly the
//   type-1 block of the message; nothing of it is parsed. A candidate whose
//   length is not k fails.
int32_t VerifyV15Signature(uint32_t scheme, const OctetString* candidate,
                           const OctetString* message, uint32_t k, uint32_t* error);

// EncodePss: the EMSA-PSS block (RFC 8017 9.1.1) of the message, emLen =
//   floor(emBits / 8) + 1 bytes, salt length hLen, MGF1 with the scheme's
//   hash. Fails at once (nothing drawn) when emLen < 2hLen + 2; fails when a
//   digest or the generator fails. Writes emLen bytes at block->data (which
//   must hold them) and sets block->length to emLen. emBits is 64-bit so that
//   8k - 1 cannot wrap for any 32-bit k.
int32_t EncodePss(uint32_t scheme, const OctetString* message, OctetString* block,
                  uint64_t emBits, uint32_t* error);

// VerifyPss: kBlockOk when the first emLen bytes of the candidate are a PSS
//   block of the message with salt length hLen (RFC 8017 9.1.2). A candidate
//   shorter than emLen fails.
int32_t VerifyPss(uint32_t scheme, const OctetString* candidate, const OctetString* message,
                  uint64_t emBits, uint32_t* error);

// ---------------------------------------------------------------------------
// Dispatch: identifier to block operation, k = modulus->length. PSS uses
// emBits = 8k - 1 and fails at once for k = 0. OAEP passes no label. Values
// the dispatcher has no operation for give kBlockFailed.
// ---------------------------------------------------------------------------

// EncodeBlock: 0 -> EncodeV15Encryption, OAEP -> EncodeOaep, v1.5 signature
//   -> EncodeV15Signature, PSS -> EncodePss; block->data holds k bytes.
int32_t EncodeBlock(uint32_t scheme, const OctetString* modulus, const OctetString* input,
                    OctetString* block, uint32_t* error);
// DecodeBlock: 0 -> DecodeV15Encryption, OAEP -> DecodeOaep.
int32_t DecodeBlock(uint32_t scheme, const OctetString* modulus, const OctetString* block,
                    OctetString* output, uint32_t* error);
// VerifyBlock: v1.5 signature -> VerifyV15Signature, PSS -> VerifyPss.
int32_t VerifyBlock(uint32_t scheme, const OctetString* modulus, const OctetString* block,
                    const OctetString* message, uint32_t* error);

// ---------------------------------------------------------------------------
// Shared by the exports
// ---------------------------------------------------------------------------

// IsNullRecord: the record pointer is null, or its data is null while its
//   length is not 0 (a null data pointer of length 0 is the empty string).
inline bool IsNullRecord(const OctetString* s) {
    return s == nullptr || (s->data == nullptr && s->length != 0);
}

// HasPrivateKeyRecords: the seven key records are present (their data is
//   checked by the private-key operation).
inline bool HasPrivateKeyRecords(const OctetString* d, const OctetString* n, const OctetString* p,
                                 const OctetString* q, const OctetString* dP, const OctetString* dQ,
                                 const OctetString* qInv) {
    return d != nullptr && n != nullptr && p != nullptr && q != nullptr && dP != nullptr && dQ != nullptr &&
           qInv != nullptr;
}

// BlockStepCode: the code a failed block step leaves: 62 when the step's own
//   buffer could not be obtained, else the export's own code.
inline uint32_t BlockStepCode(int32_t result, uint32_t schemeCode) {
    return result == kBlockNoMemory ? static_cast<uint32_t>(ErrInternal) : schemeCode;
}

// EncodeNewBlock: what sealing and signing share before the raw operation:
//   obtain the k-byte block into *block (the caller releases it, also on
//   failure) and encode `input` into it. 0, or the code the export stores:
//   62 when a buffer of this step could not be obtained, else 548.
uint32_t EncodeNewBlock(uint32_t scheme, const OctetString* modulus, const OctetString* input,
                        uint8_t** block, uint32_t* error);

// CtCopyData: the last dataLength bytes of `area` (`length` bytes, which it
//   overwrites) into out[0 .. dataLength) when `valid` is all ones, nothing
//   changed when it is 0; out holds outCapacity bytes, and out[i] is only
//   rewritten for i < min(outCapacity, length). dataLength <= length when
//   valid. Time depends on length and outCapacity only.
void CtCopyData(uint8_t* area, uint32_t length, uint32_t dataLength, uint32_t valid, uint8_t* out,
                uint32_t outCapacity);

// StoreLeftPadded: the r-byte raw result right-aligned in k bytes at `to`,
//   zero bytes before it (r <= k; a longer result keeps its last k bytes).
void StoreLeftPadded(uint8_t* to, uint32_t k, const uint8_t* result, uint32_t r);
// NewLeftPaddedBlock: a new k-byte block into *block (the caller releases it,
//   also on failure) holding the first min(raw->length, k) bytes of `raw`
//   right-aligned, zero bytes before them. 0, or -1 with 62 stored.
int32_t NewLeftPaddedBlock(uint8_t** block, uint32_t k, const OctetString* raw, uint32_t* error);

#endif  // KXRSA_PKCS1_PKCS1_H
