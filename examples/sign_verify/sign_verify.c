/* sign_verify: PKCS #1 v1.5 and PSS signatures (SHA-256) with kxrsa.
 *
 * Generates a 1024-bit key with e = 65537, signs a message under each
 * scheme, verifies the signature, and shows that verification fails with
 * ErrVerify once one byte of the message has changed. */
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

    uint8_t text[] = "pay 100 to Alice";
    OctetString message = {text, (uint32_t)strlen((const char *)text)};
    static const struct {
        const char *name;
        uint32_t scheme;
    } SCHEMES[] = {{"v1.5 SHA-256", KxSchemeV15Signature + KxHashSha256},
                   {"PSS SHA-256", KxSchemePss + KxHashSha256}};

    for (size_t i = 0; i < sizeof SCHEMES / sizeof SCHEMES[0]; ++i) {
        uint8_t signature[K];
        OctetString S = {signature, 0};
        if (KxSignRsaBlockPKCS(SCHEMES[i].scheme, &D, &N, &P, &Q, &DP, &DQ, &QI, &message, &S, &error) != 0)
            return Failed("KxSignRsaBlockPKCS", error);
        if (KxVerifyRsaBlockPKCS(SCHEMES[i].scheme, &E, &N, &S, &message, &error) != 0)
            return Failed("KxVerifyRsaBlockPKCS", error);
        printf("%-13s %u-byte signature of \"%s\" verified\n", SCHEMES[i].name, (unsigned)S.length,
               (const char *)text);

        /* The same signature must not fit a changed message. */
        text[4] = '9';
        int32_t status = KxVerifyRsaBlockPKCS(SCHEMES[i].scheme, &E, &N, &S, &message, &error);
        text[4] = '1';
        if (status == 0) {
            fprintf(stderr, "%s: a changed message was accepted\n", SCHEMES[i].name);
            return 1;
        }
        if (error != ErrVerify) return Failed("KxVerifyRsaBlockPKCS", error);
        printf("%-13s changed message rejected: %s (%u): %s\n", SCHEMES[i].name, KxErrorName(error),
               (unsigned)error, KxErrorMessage(error));
    }
    return 0;
}
