// The command table: names, options and help texts.
#include "commands.h"

namespace {

#define KX_KEY_HELP                                                                \
    "  -k KEY           the key file: PKCS #8 or PKCS #1, PEM or DER (detected)\n"  \
    "  --passin SOURCE  the pass phrase of an encrypted PEM key: pass:TEXT,\n"     \
    "                   env:VARIABLE or file:PATH (its first line); asked for on\n" \
    "                   the terminal when not given\n"
#define KX_IO_HELP                                             \
    "  -i FILE          the input (default: standard input)\n" \
    "  -o FILE          the output (default: standard output)\n"

const Command COMMANDS[] = {
    {"genkey",
     "[--bits N] [--exponent-bytes B] [--pkcs1] [--der] [-o FILE]",
     "generate a private key",
     "Generates an RSA key with two strong primes and writes it as a PKCS #8 PEM\n"
     "private key (PKCS #1 RSA PRIVATE KEY with --pkcs1, DER with --der). The file\n"
     "is readable by its owner only. On a terminal a progress line shows the\n"
     "attempts and the elapsed time.\n\n"
     "  --bits N             512, 768, 1024, 1280, 1536, 1792 or 2048 (default 2048)\n"
     "  --exponent-bytes B   3 gives e = 65537 (the default); any other B from 1 to\n"
     "                       N/8 a random odd exponent of exactly B bytes\n"
     "  --pkcs1              PKCS #1 RSAPrivateKey instead of PKCS #8\n"
     "  --der                DER instead of PEM\n"
     "  -o FILE              the key file (default: standard output)\n",
     {"--bits", "--exponent-bytes", "--pkcs1", "--der", "-o"},
     RunGenkey},
    {"pubkey",
     "-k KEY [--pkcs1] [--der] [-o FILE]",
     "write the public key of a key",
     "Writes the public key of KEY as a SubjectPublicKeyInfo PEM file (PKCS #1\n"
     "RSA PUBLIC KEY with --pkcs1, DER with --der).\n\n" KX_KEY_HELP
     "  --pkcs1          PKCS #1 RSAPublicKey instead of SubjectPublicKeyInfo\n"
     "  --der            DER instead of PEM\n"
     "  -o FILE          the output (default: standard output)\n",
     {"-k", "--passin", "--pkcs1", "--der", "-o"},
     RunPubkey},
    {"encrypt",
     "-k KEY --scheme S [-i FILE] [-o FILE]",
     "encrypt one block",
     "Encrypts the input under the public key of KEY with the scheme v15 or\n"
     "oaep-HASH (kxrsa schemes lists them). The ciphertext is exactly as long as\n"
     "the modulus. The input may be at most k - 11 bytes (v15) or k - 2 hLen - 2\n"
     "bytes (OAEP) for a modulus of k bytes.\n\n" KX_KEY_HELP
     "  --scheme S       v15, oaep-md2, oaep-md5, oaep-sha1, oaep-sha256, ...\n" KX_IO_HELP,
     {"-k", "--passin", "--scheme", "-i", "-o"},
     RunEncrypt},
    {"decrypt",
     "-k KEY --scheme S [-i FILE] [-o FILE]",
     "decrypt one block",
     "Decrypts a ciphertext of exactly the modulus length with the private key\n"
     "KEY and the scheme it was made with.\n\n" KX_KEY_HELP "  --scheme S       v15 or oaep-HASH\n" KX_IO_HELP,
     {"-k", "--passin", "--scheme", "-i", "-o"},
     RunDecrypt},
    {"sign",
     "-k KEY --scheme S [-i FILE] [-o FILE]",
     "sign a message",
     "Signs the input (hashed inside) with the private key KEY and the scheme\n"
     "v15-HASH or pss-HASH. The signature is exactly as long as the modulus. PSS\n"
     "uses a salt as long as the hash and needs a modulus whose bit length is a\n"
     "multiple of 8.\n\n" KX_KEY_HELP "  --scheme S       v15-md2 ... v15-sha512, pss-md2 ... pss-sha512\n" KX_IO_HELP,
     {"-k", "--passin", "--scheme", "-i", "-o"},
     RunSign},
    {"verify",
     "-k KEY --scheme S --signature FILE [-i FILE]",
     "verify a signature",
     "Verifies the signature in FILE of the input with the public key of KEY.\n"
     "Prints \"signature verified\" and exits with 0 when it matches, exits with 1\n"
     "when it does not.\n\n" KX_KEY_HELP "  --scheme S       v15-HASH or pss-HASH\n"
     "  --signature FILE the signature\n"
     "  -i FILE          the message (default: standard input)\n",
     {"-k", "--passin", "--scheme", "--signature", "-i"},
     RunVerify},
    {"raw-public",
     "-k KEY [-i FILE] [-o FILE]",
     "x^e mod n, no padding",
     "Raises the input, a big-endian integer of at most the modulus length, to\n"
     "the public exponent modulo n. The result is written big-endian, left-padded\n"
     "with zeros to the modulus length.\n\n" KX_KEY_HELP KX_IO_HELP,
     {"-k", "--passin", "-i", "-o"},
     RunRawPublic},
    {"raw-private",
     "-k KEY [--blinding none|derived|given] [-i FILE] [-o FILE]",
     "x^d mod n by the CRT, no padding",
     "Raises the input, a big-endian integer of at most the modulus length, to\n"
     "the private exponent modulo n by the Chinese Remainder Theorem. The result\n"
     "is written big-endian, left-padded with zeros to the modulus length.\n\n" KX_KEY_HELP
     "  --blinding MODE  none: no blinding; derived (the default): blinding with an\n"
     "                   exponent derived from d, p and q; given: blinding with the\n"
     "                   key's public exponent\n" KX_IO_HELP,
     {"-k", "--passin", "--blinding", "-i", "-o"},
     RunRawPrivate},
    {"schemes",
     "",
     "list the scheme names",
     "Lists every --scheme name with the library's identifier and what it is.\n",
     {},
     RunSchemes},
    {"selftest",
     "",
     "run the JCMVP self-tests",
     "Switches the JCMVP mode on (which runs the power-up self-tests), prints the\n"
     "status of each module of the family and the result, and switches the mode\n"
     "off. Exits with 0 when every module is ready, 4 otherwise.\n",
     {},
     RunSelftest},
};

#undef KX_KEY_HELP
#undef KX_IO_HELP

}  // namespace

std::span<const Command> AllCommands() { return COMMANDS; }
