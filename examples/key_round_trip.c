/* key_round_trip: every kind of operation of kxrsa on a fresh key.
 *
 * Generates a 1024-bit key with e = 65537, then encrypts and decrypts a
 * message with OAEP (SHA-256), signs it with PSS (SHA-256) and verifies the
 * signature, and checks a raw public/private round trip. Prints what it did. */
#include <stdio.h>
#include <string.h>

#include "kxrsa.h"

enum { K = 128 }; /* modulus length in bytes */

static void PrintHex(const char *label, const uint8_t *bytes, uint32_t length) {
    printf("%-12s", label);
    for (uint32_t i = 0; i < length && i < 32; ++i) printf("%02x", bytes[i]);
    printf("%s (%u bytes)\n", length > 32 ? "..." : "", length);
}

static int Check(const char *what, int32_t result, uint32_t error) {
    if (result != 0) {
        printf("%s failed: error %u\n", what, error);
        return 1;
    }
    return 0;
}

int main(void) {
    uint8_t d[K], e[3], n[K], p[K / 2], q[K / 2], dP[K / 2], dQ[K / 2], qInv[K / 2];
    OctetString D = {d, 0}, E = {e, 0}, N = {n, 0}, P = {p, 0}, Q = {q, 0}, DP = {dP, 0},
                DQ = {dQ, 0}, QI = {qInv, 0};
    uint32_t error = 0;

    if (Check("key generation", KxGenerateRsaKey(K, 3, &D, &E, &N, &P, &Q, &DP, &DQ, &QI, &error), error))
        return 1;
    PrintHex("n", n, N.length);
    PrintHex("e", e, E.length);
    PrintHex("p", p, P.length);
    PrintHex("q", q, Q.length);

    static const char MESSAGE[] = "attack at dawn";
    OctetString message = {(uint8_t *)MESSAGE, (uint32_t)strlen(MESSAGE)};
    uint8_t cipher[K], plain[K], signature[K];
    OctetString C = {cipher, 0}, M = {plain, 0}, S = {signature, 0};

    uint32_t oaep = KxSchemeOaep + KxHashSha256, pss = KxSchemePss + KxHashSha256;
    if (Check("OAEP encryption", KxSealRsaBlockPKCS(oaep, &E, &N, &message, &C, &error), error)) return 1;
    PrintHex("ciphertext", cipher, C.length);
    if (Check("OAEP decryption",
              KxUnsealRsaBlockPKCS(oaep, &D, &N, &P, &Q, &DP, &DQ, &QI, &C, &M, &error), error))
        return 1;
    printf("%-12s%.*s\n", "decrypted", (int)M.length, (const char *)plain);

    if (Check("PSS signing", KxSignRsaBlockPKCS(pss, &D, &N, &P, &Q, &DP, &DQ, &QI, &message, &S, &error),
              error))
        return 1;
    PrintHex("signature", signature, S.length);
    if (Check("PSS verification", KxVerifyRsaBlockPKCS(pss, &E, &N, &S, &message, &error), error)) return 1;
    printf("%-12sgood\n", "verified");

    /* Raw: x^e mod n, then back with the blinded CRT operation. */
    uint8_t x[] = {0x01, 0x23, 0x45, 0x67, 0x89, 0xab, 0xcd, 0xef};
    OctetString X = {x, sizeof x}, Y = {cipher, 0}, Z = {plain, 0};
    if (Check("raw public", KxSealRsaBlock(&E, &N, &X, &Y, &error), error)) return 1;
    if (Check("raw private",
              KxUnsealRsaBlockBlinding(&D, &N, &P, &Q, &DP, &DQ, &QI, &Y, &Z, &error), error))
        return 1;
    printf("%-12s%s\n", "raw trip", Z.length == X.length && memcmp(plain, x, sizeof x) == 0 ? "good" : "MISMATCH");
    return Z.length == X.length && memcmp(plain, x, sizeof x) == 0 ? 0 : 1;
}
