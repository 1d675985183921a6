/* generate_key: a new 2048-bit RSA key with e = 65537 from kxrsa.
 *
 * Prints the public key (n and e) in hex and the lengths of the private
 * components, then clears the private components. */
#include <stddef.h>
#include <stdio.h>

#include <kxrsa.h>

enum { K = 256, H = K / 2 }; /* modulus and prime lengths in bytes */

/* Overwrites the buffer through a volatile pointer, so that the compiler
 * cannot drop the stores as dead. */
static void Clear(uint8_t *buffer, size_t length) {
    volatile uint8_t *p = buffer;
    while (length-- > 0) *p++ = 0;
}

static void PrintHex(const char *label, const OctetString *record) {
    printf("%s = ", label);
    for (uint32_t i = 0; i < record->length; ++i) printf("%02x", record->data[i]);
    printf("\n");
}

int main(void) {
    /* Buffers: k bytes for d and n, the exponent length (3) for e, half of k
     * for the primes and the CRT components. */
    uint8_t d[K], e[3], n[K], p[H], q[H], dp[H], dq[H], qi[H];
    OctetString D = {d, 0}, E = {e, 0}, N = {n, 0}, P = {p, 0}, Q = {q, 0}, DP = {dp, 0},
                DQ = {dq, 0}, QI = {qi, 0};
    uint32_t error = 0;

    /* Exponent length 3 selects e = 65537. */
    if (KxGenerateRsaKey(K, 3, &D, &E, &N, &P, &Q, &DP, &DQ, &QI, &error) != 0) {
        fprintf(stderr, "KxGenerateRsaKey: %s (%u): %s\n", KxErrorName(error), (unsigned)error,
                KxErrorMessage(error));
        return 1;
    }
    printf("modulus: %u bits\n", (unsigned)(8 * N.length));
    PrintHex("n", &N);
    PrintHex("e", &E);
    printf("d %u bytes, p %u, q %u, dP %u, dQ %u, qInv %u\n", (unsigned)D.length, (unsigned)P.length,
           (unsigned)Q.length, (unsigned)DP.length, (unsigned)DQ.length, (unsigned)QI.length);

    /* The private key is not needed here: do not leave it in memory. */
    Clear(d, sizeof d);
    Clear(p, sizeof p);
    Clear(q, sizeof q);
    Clear(dp, sizeof dp);
    Clear(dq, sizeof dq);
    Clear(qi, sizeof qi);
    return 0;
}
