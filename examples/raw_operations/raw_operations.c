/* raw_operations: the raw RSA operations of kxrsa on a fixed 512-bit key.
 *
 * Raises a block to the public exponent (KxSealRsaBlock), checks the result
 * against its known value, and takes it back with each of the three raw
 * private-key operations (plain CRT, blinded with a derived exponent,
 * blinded with the caller's public exponent). No padding is involved: real
 * applications encrypt and sign through the PKCS functions instead. */
#include <stdio.h>
#include <string.h>

#include <kxrsa.h>

enum { K = 64 }; /* modulus length in bytes */

/* The test key: n = p·q, e = 65537, and the CRT components. */
static const char *const N_HEX =
    "afd98230564d2cbc043b9af3bce44df68d3da0c4127d27bbdb61e3f4e9b257e8"
    "e5b62297d26152a2a13c398ff674c104f272119df9973e0281cd938eb2da2c75";
static const char *const E_HEX = "010001";
static const char *const D_HEX =
    "06e7be2682c50e0c26086729ca1197042700b406ef08ee1e00dbe3b532d61780"
    "939176bbb0c92175e6c93fc6d574fb5770536e16c354af4411a7666b81af5901";
static const char *const P_HEX = "df102f34b2d7c5d1b2846a272c908fef52ca54f813beec76eab8a0655a491b81";
static const char *const Q_HEX = "c9d0a53be0d5f8f15641c6bf28e8a3707a50b452985bdd7b6236b6e380f7daf5";
static const char *const DP_HEX = "7a13e671e5eaf70593b8aa4bf434cdc141c3200b80eafd88fb5ebdd19a3ee681";
static const char *const DQ_HEX = "7b8e148b1b3484cb640eb319f776ae113fa14734c5f8801978e09c899e3ca03d";
static const char *const QI_HEX = "8fb2828ed298ae0fa2ebe02b64700dd04daa8e9842e80d0ddc0ef962bc516304";

/* The block and its known value x^e mod n. */
static const char *const X_HEX = "0123456789abcdeffedcba98765432100123456789abcdeffedcba9876543210";
static const char *const Y_HEX =
    "28ac806a08a0fe44c91aa1df44f4a23ba33aaedef9e01e47098058a56396eff4"
    "a8b2d311ab98eeb0f30bcda409a6a87ddf008004aa94a37bc1781eb99dbef21e";

/* Reads the hex string into the record's buffer (of `capacity` bytes) and
 * sets its length. Returns 0, or -1 for a malformed or too long string. */
static int FromHex(const char *hex, uint8_t *buffer, size_t capacity, OctetString *record) {
    size_t digits = strlen(hex);
    if (digits % 2 != 0 || digits / 2 > capacity) return -1;
    for (size_t i = 0; i < digits / 2; ++i) {
        unsigned value;
        if (sscanf(hex + 2 * i, "%2x", &value) != 1) return -1;
        buffer[i] = (uint8_t)value;
    }
    record->data = buffer;
    record->length = (uint32_t)(digits / 2);
    return 0;
}

static void PrintHex(const char *label, const OctetString *record) {
    printf("%-26s", label);
    for (uint32_t i = 0; i < record->length; ++i) printf("%02x", record->data[i]);
    printf(" (%u bytes)\n", (unsigned)record->length);
}

static int Failed(const char *what, uint32_t error) {
    fprintf(stderr, "%s: %s (%u): %s\n", what, KxErrorName(error), (unsigned)error,
            KxErrorMessage(error));
    return 1;
}

static int SameBytes(const OctetString *a, const OctetString *b) {
    return a->length == b->length && memcmp(a->data, b->data, a->length) == 0;
}

int main(void) {
    uint8_t n[K], e[3], d[K], p[K / 2], q[K / 2], dp[K / 2], dq[K / 2], qi[K / 2];
    uint8_t x[K], y[K], sealed[K], unsealed[K];
    OctetString N, E, D, P, Q, DP, DQ, QI, X, Y;
    OctetString sealedRecord = {sealed, 0};
    uint32_t error = 0;

    if (FromHex(N_HEX, n, sizeof n, &N) != 0 || FromHex(E_HEX, e, sizeof e, &E) != 0 ||
        FromHex(D_HEX, d, sizeof d, &D) != 0 || FromHex(P_HEX, p, sizeof p, &P) != 0 ||
        FromHex(Q_HEX, q, sizeof q, &Q) != 0 || FromHex(DP_HEX, dp, sizeof dp, &DP) != 0 ||
        FromHex(DQ_HEX, dq, sizeof dq, &DQ) != 0 || FromHex(QI_HEX, qi, sizeof qi, &QI) != 0 ||
        FromHex(X_HEX, x, sizeof x, &X) != 0 || FromHex(Y_HEX, y, sizeof y, &Y) != 0) {
        fprintf(stderr, "malformed key or block in the source\n");
        return 1;
    }
    PrintHex("input", &X);

    if (KxSealRsaBlock(&E, &N, &X, &sealedRecord, &error) != 0) return Failed("KxSealRsaBlock", error);
    PrintHex("KxSealRsaBlock", &sealedRecord);
    if (!SameBytes(&sealedRecord, &Y)) {
        fprintf(stderr, "KxSealRsaBlock: the result differs from the known value\n");
        return 1;
    }

    /* Each private-key operation must give back the input. */
    for (int which = 0; which < 3; ++which) {
        static const char *const NAMES[] = {"KxUnsealRsaBlock", "KxUnsealRsaBlockBlinding",
                                            "KxUnsealRsaBlockBlinding2"};
        OctetString result = {unsealed, 0};
        int32_t status;
        if (which == 0)
            status = KxUnsealRsaBlock(&D, &N, &P, &Q, &DP, &DQ, &QI, &sealedRecord, &result, &error);
        else if (which == 1)
            status = KxUnsealRsaBlockBlinding(&D, &N, &P, &Q, &DP, &DQ, &QI, &sealedRecord, &result,
                                              &error);
        else
            status = KxUnsealRsaBlockBlinding2(&D, &E, &N, &P, &Q, &DP, &DQ, &QI, &sealedRecord,
                                               &result, &error);
        if (status != 0) return Failed(NAMES[which], error);
        PrintHex(NAMES[which], &result);
        if (!SameBytes(&result, &X)) {
            fprintf(stderr, "%s: the result differs from the input\n", NAMES[which]);
            return 1;
        }
    }
    printf("all four raw operations agree\n");
    return 0;
}
