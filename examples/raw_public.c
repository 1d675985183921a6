/* raw_public: the raw RSA public-key operation on a known key.
 *
 * Raises a few blocks to e = 65537 (and to e = 3) modulo the 512-bit modulus
 * of a fixed test key and prints the results in hex. */
#include <stdio.h>
#include <string.h>

#include "kxrsa.h"

static int HexToBytes(const char *hex, uint8_t *out) {
    int n = (int)strlen(hex) / 2;
    for (int i = 0; i < n; ++i) {
        unsigned v;
        sscanf(hex + 2 * i, "%2x", &v);
        out[i] = (uint8_t)v;
    }
    return n;
}

static void PrintHex(const char *label, const uint8_t *bytes, uint32_t length) {
    printf("%s (%u bytes): ", label, length);
    for (uint32_t i = 0; i < length; ++i) printf("%02x", bytes[i]);
    printf("\n");
}

int main(void) {
    /* The 512-bit modulus of a fixed test key (two 256-bit primes). */
    static const char *MODULUS =
        "be6d44e4f32980be952f9b42d3b02ce12e3e6d972605b8df65dfc85f6b408ba4"
        "47ca8c47d75c76633146310b49d498da51670e69b49732d758ca1c3972cd5add";
    uint8_t n[64], e65537[3] = {0x01, 0x00, 0x01}, e3[1] = {3};
    uint8_t in[64], out[64];
    OctetString modulus = {n, (uint32_t)HexToBytes(MODULUS, n)};
    static const char *INPUTS[] = {"00", "01", "02", "0123456789abcdef",
                                   "be6d44e4f32980be952f9b42d3b02ce12e3e6d972605b8df65dfc85f6b408ba4"
                                   "47ca8c47d75c76633146310b49d498da51670e69b49732d758ca1c3972cd5adc"};
    for (unsigned i = 0; i < sizeof INPUTS / sizeof INPUTS[0]; ++i) {
        OctetString input = {in, (uint32_t)HexToBytes(INPUTS[i], in)};
        for (int which = 0; which < 2; ++which) {
            OctetString exponent = which == 0 ? (OctetString){e65537, 3} : (OctetString){e3, 1};
            OctetString output = {out, 0};
            uint32_t error = 0;
            PrintHex("input   ", in, input.length);
            if (KxSealRsaBlock(&exponent, &modulus, &input, &output, &error) != 0) {
                printf("failed with error %u\n", error);
                return 1;
            }
            PrintHex(which == 0 ? "^65537  " : "^3      ", out, output.length);
        }
    }
    return 0;
}
