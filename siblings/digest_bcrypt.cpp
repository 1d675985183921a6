// The digests by Windows' bcrypt. see digest_backend.h
#include <windows.h>
#include <bcrypt.h>

#include "digest_backend.h"

namespace {

struct BcryptAlgorithm {
    const wchar_t* id;
    ULONG digestSize;
};

const BcryptAlgorithm ALGORITHMS[] = {
    {BCRYPT_MD2_ALGORITHM, 16},    {BCRYPT_MD5_ALGORITHM, 16},    {BCRYPT_SHA1_ALGORITHM, 20},
    {BCRYPT_SHA256_ALGORITHM, 32}, {BCRYPT_SHA384_ALGORITHM, 48}, {BCRYPT_SHA512_ALGORITHM, 64},
};

// The provider and hash objects of one digest, closed on every path.
struct HashObjects {
    BCRYPT_ALG_HANDLE provider = nullptr;
    BCRYPT_HASH_HANDLE hash = nullptr;
    ~HashObjects() {
        if (hash != nullptr) BCryptDestroyHash(hash);
        if (provider != nullptr) BCryptCloseAlgorithmProvider(provider, 0);
    }
};

}  // namespace

bool ComputeDigest(DigestAlgorithm algorithm, uint32_t length, const uint8_t* input, uint8_t* digest) {
    const BcryptAlgorithm& a = ALGORITHMS[static_cast<int>(algorithm)];
    HashObjects objects;
    // bcrypt takes non-const input pointers but only reads through them.
    return BCRYPT_SUCCESS(BCryptOpenAlgorithmProvider(&objects.provider, a.id, nullptr, 0)) &&
           BCRYPT_SUCCESS(BCryptCreateHash(objects.provider, &objects.hash, nullptr, 0, nullptr, 0, 0)) &&
           (length == 0 ||
            BCRYPT_SUCCESS(BCryptHashData(objects.hash, const_cast<PUCHAR>(input), length, 0))) &&
           BCRYPT_SUCCESS(BCryptFinishHash(objects.hash, digest, a.digestSize, 0));
}
