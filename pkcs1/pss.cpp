// PSS signature blocks (EMSA-PSS, RFC 8017 9.1) with a salt as long as the
// hash and MGF1 over the scheme's hash. Each intermediate value lives in a
// buffer of its own.
#include <cstdint>

#include "family.h"
#include "pkcs1.h"

namespace {

constexpr uint32_t kPrimeZeros = 8;  // M' = (0x)00 00 00 00 00 00 00 00 || mHash || salt

// EmLength: emLen = floor(emBits / 8) + 1; 0 when the block cannot hold
// 00..01 || salt || H || BC (emLen < 2hLen + 2) or does not fit 32 bits.
uint32_t EmLength(uint64_t emBits, uint32_t hLen) {
    const uint64_t emLen = emBits / 8 + 1;
    if (hLen == 0 || emLen < 2 * uint64_t{hLen} + 2 || emLen > UINT32_MAX) return 0;
    return static_cast<uint32_t>(emLen);
}

// TopMask: the bits of the first byte an emBits-bit integer may use; the
// leftmost 8·emLen - emBits bits (1 to 8) are cleared (RFC 8017 9.1.1 step 11).
uint8_t TopMask(uint32_t emLen, uint64_t emBits) {
    return static_cast<uint8_t>(0xFFu >> (8 * uint64_t{emLen} - emBits));
}

// HashOfPrime: H = Hash(M'), M' = 8 zero bytes || mHash || salt, in buffers
// obtained here (*prime, *h; the caller releases them).
int32_t HashOfPrime(uint32_t scheme, uint32_t hLen, const uint8_t* mHash, const uint8_t* salt,
                    uint8_t** prime, uint8_t** h, uint32_t* error) {
    if (AllocBytes(prime, kPrimeZeros + 2 * size_t{hLen}, error) != 0) return kBlockNoMemory;
    FillBytes(*prime, 0x00, kPrimeZeros);
    CopyBytes(*prime + kPrimeZeros, mHash, hLen);
    CopyBytes(*prime + kPrimeZeros + hLen, salt, hLen);
    if (AllocBytes(h, hLen, error) != 0) return kBlockNoMemory;
    if (SchemeDigest(scheme, kPrimeZeros + 2 * hLen, *prime, *h, error) == -1) return kBlockFailed;
    return kBlockOk;
}

// DigestMessage: mHash = Hash(M) in a buffer obtained here.
int32_t DigestMessage(uint32_t scheme, uint32_t hLen, const OctetString* message, uint8_t** mHash,
                      uint32_t* error) {
    if (AllocBytes(mHash, hLen, error) != 0) return kBlockNoMemory;
    if (SchemeDigest(scheme, message->length, message->data, *mHash, error) == -1)
        return kBlockFailed;
    return kBlockOk;
}

}  // namespace

// see pkcs1.h
int32_t EncodePss(uint32_t scheme, const OctetString* message, OctetString* block,
                  uint64_t emBits, uint32_t* error) {
    // Length test before anything is hashed or drawn.
    const uint32_t hLen = SchemeHashLength(scheme);
    const uint32_t emLen = EmLength(emBits, hLen);
    if (emLen == 0) return kBlockFailed;
    const uint32_t dbLen = emLen - hLen - 1;
    const uint32_t psLen = emLen - 2 * hLen - 2;

    uint8_t *mHash = nullptr, *salt = nullptr, *prime = nullptr, *h = nullptr;
    uint8_t *db = nullptr, *dbMask = nullptr, *maskedDb = nullptr;
    BytesRelease release{&mHash, &salt, &prime, &h, &db, &dbMask, &maskedDb};

    // mHash, the salt (sLen = hLen), H = Hash(M').
    int32_t result = DigestMessage(scheme, hLen, message, &mHash, error);
    if (result != kBlockOk) return result;
    if (AllocBytes(&salt, hLen, error) != 0) return kBlockNoMemory;
    if (DrawRandomBytes(hLen, salt, error) != 0) return kBlockFailed;
    if ((result = HashOfPrime(scheme, hLen, mHash, salt, &prime, &h, error)) != kBlockOk)
        return result;

    // DB = PS (zeros) || 01 || salt.
    if (AllocBytes(&db, dbLen, error) != 0) return kBlockNoMemory;
    FillBytes(db, 0x00, psLen);
    db[psLen] = 0x01;
    CopyBytes(db + psLen + 1, salt, hLen);

    // maskedDB = DB ^ MGF1(H, dbLen), its leftmost 8emLen - emBits bits cleared.
    if ((result = MaskWithMgf1(scheme, hLen, h, db, dbLen, &dbMask, &maskedDb, error)) != kBlockOk)
        return result;
    maskedDb[0] &= TopMask(emLen, emBits);

    // EM = maskedDB || H || BC.
    uint8_t* em = block->data;
    CopyBytes(em, maskedDb, dbLen);
    CopyBytes(em + dbLen, h, hLen);
    em[emLen - 1] = 0xBC;
    block->length = emLen;
    return kBlockOk;
}

// see pkcs1.h
int32_t VerifyPss(uint32_t scheme, const OctetString* candidate, const OctetString* message,
                  uint64_t emBits, uint32_t* error) {
    // Lengths, then the trailer byte.
    const uint32_t hLen = SchemeHashLength(scheme);
    const uint32_t emLen = EmLength(emBits, hLen);
    if (emLen == 0 || candidate->length < emLen) return kBlockFailed;
    const uint8_t* em = candidate->data;
    if (em[emLen - 1] != 0xBC) return kBlockFailed;
    const uint32_t dbLen = emLen - hLen - 1;
    const uint32_t psLen = emLen - 2 * hLen - 2;
    const uint8_t mask = TopMask(emLen, emBits);

    uint8_t *maskedDb = nullptr, *h = nullptr, *dbMask = nullptr, *db = nullptr;
    uint8_t *mHash = nullptr, *prime = nullptr, *hPrime = nullptr;
    BytesRelease release{&maskedDb, &h, &dbMask, &db, &mHash, &prime, &hPrime};

    // maskedDB; the bits above emBits must be clear.
    if (AllocBytes(&maskedDb, dbLen, error) != 0) return kBlockNoMemory;
    CopyBytes(maskedDb, em, dbLen);
    if ((maskedDb[0] & ~mask) != 0) return kBlockFailed;
    // H, the hash that follows maskedDB.
    if (AllocBytes(&h, hLen, error) != 0) return kBlockNoMemory;
    CopyBytes(h, em + dbLen, hLen);

    // DB = maskedDB ^ MGF1(H, dbLen), top bits cleared.
    int32_t result = MaskWithMgf1(scheme, hLen, h, maskedDb, dbLen, &dbMask, &db, error);
    if (result != kBlockOk) return result;
    db[0] &= mask;

    // DB = zeros || 01 || salt, with exactly psLen zeros (sLen = hLen).
    for (uint32_t i = 0; i < psLen; ++i)
        if (db[i] != 0x00) return kBlockFailed;
    if (db[psLen] != 0x01) return kBlockFailed;

    // H' = Hash(00 x 8 || mHash || salt) must equal H.
    if ((result = DigestMessage(scheme, hLen, message, &mHash, error)) != kBlockOk) return result;
    if ((result = HashOfPrime(scheme, hLen, mHash, db + psLen + 1, &prime, &hPrime, error)) !=
        kBlockOk)
        return result;
    for (uint32_t i = 0; i < hLen; ++i)
        if (h[i] != hPrime[i]) return kBlockFailed;
    return kBlockOk;
}
