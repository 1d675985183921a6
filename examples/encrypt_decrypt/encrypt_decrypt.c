/* encrypt_decrypt: PKCS #1 v1.5 and OAEP (SHA-256) encryption with kxrsa.
 *
 * Generates a 1024-bit key with e = 65537, encrypts a short message under
 * each scheme and decrypts it again, checking that the message comes back. */
#include <stdio.h>
#include <string.h>

#include <kxrsa.h>

enum { K = 128, H = K / 2 }; /* modulus and prime lengths in bytes */

static int Failed(const char *what, uint32_t error) {
    fprintf(stderr, "%s: %s (%u): %s\n", what, KxErrorName(error), (unsigned)error,
            KxErrorMessage(error));
    return 1;
}

int main(void) {
    uint8_t d[K], e[3], n[K], p[H], q[H], dp[H], dq[H], qi[H];
    OctetString D = {d, 0}, E = {e, 0}, N = {n, 0}, P = {p, 0}, Q = {q, 0}, DP = {dp, 0},
                DQ = {dq, 0}, QI = {qi, 0};
    uint32_t error = 0;

    if (KxGenerateRsaKey(K, 3, &D, &E, &N, &P, &Q, &DP, &DQ, &QI, &error) != 0)
        return Failed("KxGenerateRsaKey", error);
    printf("generated a %u-bit key\n", (unsigned)(8 * N.length));

    static const char TEXT[] = "attack at dawn";
    OctetString message = {(uint8_t *)TEXT, (uint32_t)strlen(TEXT)};
    static const struct {
        const char *name;
        uint32_t scheme;
    } SCHEMES[] = {{"PKCS #1 v1.5", KxSchemeV15Encryption},
                   {"OAEP SHA-256", KxSchemeOaep + KxHashSha256}};

    for (size_t i = 0; i < sizeof SCHEMES / sizeof SCHEMES[0]; ++i) {
        /* Both outputs need k bytes: the ciphertext is k bytes long, and
         * decryption writes the raw result there before the message. */
        uint8_t cipher[K], plain[K];
        OctetString C = {cipher, 0}, M = {plain, 0};
        if (KxSealRsaBlockPKCS(SCHEMES[i].scheme, &E, &N, &message, &C, &error) != 0)
            return Failed("KxSealRsaBlockPKCS", error);
        if (KxUnsealRsaBlockPKCS(SCHEMES[i].scheme, &D, &N, &P, &Q, &DP, &DQ, &QI, &C, &M, &error) != 0)
            return Failed("KxUnsealRsaBlockPKCS", error);
        if (M.length != message.length || memcmp(plain, TEXT, M.length) != 0) {
            fprintf(stderr, "%s: the decrypted message differs\n", SCHEMES[i].name);
            return 1;
        }
        printf("%-14s %u-byte ciphertext, decrypted \"%.*s\"\n", SCHEMES[i].name, (unsigned)C.length,
               (int)M.length, (const char *)plain);
    }
    return 0;
}
