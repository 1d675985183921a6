/* jcmvp_mode: running kxrsa in the JCMVP mode.
 *
 * Switches the mode on (which loads the status library and the sibling
 * libraries' mode setters and runs the power-up self-test), generates a
 * 1024-bit key (which then passes the pair-wise consistency test), signs and
 * verifies a message with it, and switches the mode off again. */
#include <stdio.h>
#include <string.h>

#include <kxrsa.h>

enum { K = 128, H = K / 2 }; /* modulus and prime lengths in bytes */

static int Failed(const char *what, uint32_t error) {
    fprintf(stderr, "%s: %s (%u): %s\n", what, KxErrorName(error), (unsigned)error,
            KxErrorMessage(error));
    KxRsaSetJCMVPMode(0);
    return 1;
}

int main(void) {
    /* No error location here: -1 means a library or entry point is missing. */
    if (KxRsaSetJCMVPMode(1) != 0) {
        fprintf(stderr, "KxRsaSetJCMVPMode(1): the JCMVP mode could not be switched on\n");
        return 1;
    }
    printf("JCMVP mode on\n");

    uint8_t d[K], e[3], n[K], p[H], q[H], dp[H], dq[H], qi[H];
    OctetString D = {d, 0}, E = {e, 0}, N = {n, 0}, P = {p, 0}, Q = {q, 0}, DP = {dp, 0},
                DQ = {dq, 0}, QI = {qi, 0};
    uint32_t error = 0;

    /* ErrModuleState here means the self-test failed or the new key failed
     * its pair-wise test. */
    if (KxGenerateRsaKey(K, 3, &D, &E, &N, &P, &Q, &DP, &DQ, &QI, &error) != 0)
        return Failed("KxGenerateRsaKey", error);
    printf("generated a %u-bit key: pair-wise test passed\n", (unsigned)(8 * N.length));

    static const char TEXT[] = "signed in the JCMVP mode";
    OctetString message = {(uint8_t *)TEXT, (uint32_t)strlen(TEXT)};
    uint8_t signature[K];
    OctetString S = {signature, 0};
    uint32_t scheme = KxSchemePss + KxHashSha256;
    if (KxSignRsaBlockPKCS(scheme, &D, &N, &P, &Q, &DP, &DQ, &QI, &message, &S, &error) != 0)
        return Failed("KxSignRsaBlockPKCS", error);
    if (KxVerifyRsaBlockPKCS(scheme, &E, &N, &S, &message, &error) != 0)
        return Failed("KxVerifyRsaBlockPKCS", error);
    printf("PSS SHA-256 signature of %u bytes made and verified\n", (unsigned)S.length);

    if (KxRsaSetJCMVPMode(0) != 0) {
        fprintf(stderr, "KxRsaSetJCMVPMode(0) failed\n");
        return 1;
    }
    printf("JCMVP mode off\n");
    return 0;
}
