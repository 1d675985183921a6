/*
 * kxrsa.h: RSA primitives of the kx family of cryptographic libraries.
 *
 * kxrsa generates RSA key pairs with strong primes (512 to 2048 bits), performs
 * the raw public-key operation and the raw private-key operation by the Chinese
 * Remainder Theorem (plain and blinded), PKCS #1 v1.5 encryption and signature,
 * OAEP and PSS over MD2, MD5, SHA-1, SHA-256, SHA-384 and SHA-512, and can be
 * switched into the JCMVP mode (validated-module operation with self-tests).
 *
 * Numbers and buffers
 * -------------------
 * Every number and buffer crosses the interface as an OctetString: a pointer
 * and a byte count. Integers are big-endian (most significant byte first) and
 * inputs may carry leading zero bytes. An empty record (length 0) is the value
 * zero. The modulus length L is the `length` of the modulus record, leading
 * zero bytes included, and must be 64 to 256 (512 to 2048 bits); every other
 * integer argument of the same call must be at most L bytes long.
 *
 * Output records: the caller points `data` at a buffer it owns, of at least L
 * bytes (or as stated per export). The library writes from the first byte on
 * and, on success only, stores the byte count into `length`; the `length` a
 * record holds on entry is ignored. After a failure, output buffers and
 * lengths are as the caller left them unless an export says otherwise.
 *
 * Results and errors
 * ------------------
 * Every operation returns 0 on success and -1 on failure and takes, as its
 * last argument, a pointer to the caller's error location, which ends every
 * call holding 0 or one of the codes below. With a null error pointer an
 * operation returns -1 and writes nothing (the PKCS operations still check
 * their record pointers first: see there).
 *
 * Key components carry the PKCS #1 names: modulus n, publicExponent e,
 * privateExponent d, prime1 p, prime2 q, exponent1 d mod (p - 1), exponent2
 * d mod (q - 1), coefficient q^-1 mod p.
 *
 * Threads: the library takes no locks and keeps no state between calls other
 * than the JCMVP mode. Calls may run concurrently as long as they do not share
 * an output record; switching the JCMVP mode while other calls run is not
 * supported.
 *
 * None of the operations is constant-time.
 */
#ifndef KXRSA_H
#define KXRSA_H

#include <stdint.h>

/* Version of this header and of the library it comes with. */
#define KXRSA_VERSION_MAJOR 1
#define KXRSA_VERSION_MINOR 0
#define KXRSA_VERSION_PATCH 0

/*
 * Calling convention
 * ------------------
 * Every export uses the platform's default C calling convention, spelled out
 * as KXRSA_CALL: __cdecl on Windows (on x64 Windows that is the one x64
 * convention, which the compiler uses whatever is written), the System V
 * ABI on Linux. No export is __stdcall. On Windows the exports leave
 * kxrsa.dll by name; an application links the import library or calls
 * GetProcAddress with the names below.
 */
#if defined(_WIN32)
#define KXRSA_CALL __cdecl
#if defined(KXRSA_BUILDING)
#define KXRSA_API __declspec(dllexport)
#else
#define KXRSA_API
#endif
#else
#define KXRSA_CALL
#if defined(KXRSA_BUILDING)
#define KXRSA_API __attribute__((visibility("default")))
#else
#define KXRSA_API
#endif
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* A byte string: `length` bytes at `data`. */
typedef struct OctetString {
    uint8_t *data;
    uint32_t length;
} OctetString;

/* Error codes
 * -----------
 * ErrInternal      memory could not be obtained, an arithmetic step failed,
 *                  or random bytes could not be drawn
 * ErrParameter     a null record or data pointer, a modulus length outside
 *                  64..256, an argument longer than the modulus, a scheme
 *                  identifier the export does not accept, a key-generation
 *                  length out of range, or a zero modulus or prime
 * ErrKeyGeneration key generation failed internally
 * ErrModuleState   the JCMVP mode is on and reports the error status, or the
 *                  pair-wise test of a new key failed
 * ErrDecrypt       a ciphertext of the wrong length or a malformed block
 * ErrEncode        the block could not be formed (data too long, modulus too
 *                  short for the hash, random bytes or a digest failed)
 * ErrVerify        a signature of the wrong length or one that does not match
 */
enum KxError {
    ErrInternal = 62,
    ErrParameter = 99,
    ErrKeyGeneration = 301,
    ErrModuleState = 546,
    ErrDecrypt = 547,
    ErrEncode = 548,
    ErrVerify = 549
};

/* KxErrorName(code): the name of an error code ("ErrVerify"), "Success" for
 * 0, "unknown" for any other value. KxErrorMessage(code): one sentence saying
 * what the code means ("the signature does not match the message"). Both
 * return static strings and are defined here, not exported by the library:
 *     fprintf(stderr, "%s (%u): %s\n", KxErrorName(e), e, KxErrorMessage(e)); */
static inline const char *KxErrorName(uint32_t code) {
    switch (code) {
    case 0: return "Success";
    case ErrInternal: return "ErrInternal";
    case ErrParameter: return "ErrParameter";
    case ErrKeyGeneration: return "ErrKeyGeneration";
    case ErrModuleState: return "ErrModuleState";
    case ErrDecrypt: return "ErrDecrypt";
    case ErrEncode: return "ErrEncode";
    case ErrVerify: return "ErrVerify";
    default: return "unknown";
    }
}

static inline const char *KxErrorMessage(uint32_t code) {
    switch (code) {
    case 0: return "the operation succeeded";
    case ErrInternal: return "memory, an arithmetic step or the random generator failed";
    case ErrParameter: return "an argument is missing, out of range or not accepted";
    case ErrKeyGeneration: return "key generation failed internally";
    case ErrModuleState: return "the JCMVP mode reports an error, or a new key failed its pair-wise test";
    case ErrDecrypt: return "the ciphertext has the wrong length or does not decrypt to a valid block";
    case ErrEncode: return "the block could not be formed (data too long, modulus too short, or a digest or random bytes failed)";
    case ErrVerify: return "the signature does not match the message";
    default: return "not an error code of this library";
    }
}

/* Scheme identifiers of the PKCS operations
 * -----------------------------------------
 * 0 is v1.5 encryption; OAEP, v1.5 signature and PSS each take a hash index
 * in their low four bits: KxSchemeOaep + KxHashSha256 is OAEP with SHA-256.
 * No other value is an identifier. */
enum KxHash {
    KxHashMd2 = 0,
    KxHashMd5 = 1,
    KxHashSha1 = 2,
    KxHashSha256 = 3,
    KxHashSha384 = 4,
    KxHashSha512 = 5
};

enum KxScheme {
    KxSchemeV15Encryption = 0x00000,
    KxSchemeOaep = 0x00010,
    KxSchemeV15Signature = 0x10000,
    KxSchemePss = 0x10010
};

/* Raw RSA operations
 * ------------------
 * No padding. The input need not be below n. The result is written in
 * minimal big-endian form (no leading zero byte; zero has length 0) into an
 * output buffer of at least L bytes. Errors: 0; 546 (JCMVP error state, before
 * anything else is examined); 99 (a null record or data pointer, L outside
 * 64..256, another record longer than L, a zero modulus, and for the private
 * operations a zero prime1 or prime2); 62 (memory, arithmetic, random bytes).
 * The private-key operations do not check the key: inconsistent components
 * give a wrong result, not an error. */

/* output = input ^ publicExponent mod modulus. */
KXRSA_API int32_t KXRSA_CALL KxSealRsaBlock(const OctetString *publicExponent,
                                            const OctetString *modulus,
                                            const OctetString *input,
                                            OctetString *output, uint32_t *error);

/* output = input ^ d mod n, computed by the CRT from p, q, dP, dQ and qInv.
 * privateExponent is validated like the other components (record and data
 * present, at most L bytes) but not used. */
KXRSA_API int32_t KXRSA_CALL KxUnsealRsaBlock(const OctetString *privateExponent,
                                              const OctetString *modulus,
                                              const OctetString *prime1,
                                              const OctetString *prime2,
                                              const OctetString *exponent1,
                                              const OctetString *exponent2,
                                              const OctetString *coefficient,
                                              const OctetString *input,
                                              OctetString *output, uint32_t *error);

/* As KxUnsealRsaBlock, blinded: the input is multiplied by R^E mod n for a
 * fresh random R before the CRT, and the result by R^-1 mod n after it. E is
 * derived here as d^-1 mod (p - 1)(q - 1). A failing random generator
 * gives 62. */
KXRSA_API int32_t KXRSA_CALL KxUnsealRsaBlockBlinding(const OctetString *privateExponent,
                                                      const OctetString *modulus,
                                                      const OctetString *prime1,
                                                      const OctetString *prime2,
                                                      const OctetString *exponent1,
                                                      const OctetString *exponent2,
                                                      const OctetString *coefficient,
                                                      const OctetString *input,
                                                      OctetString *output, uint32_t *error);

/* As KxUnsealRsaBlockBlinding, with the caller's publicExponent as E. It is
 * validated like the key components (99 for a null record or data pointer or
 * a length above L, checked in argument order). A publicExponent that does not
 * belong to the key gives a wrong result and returns 0. */
KXRSA_API int32_t KXRSA_CALL KxUnsealRsaBlockBlinding2(const OctetString *privateExponent,
                                                       const OctetString *publicExponent,
                                                       const OctetString *modulus,
                                                       const OctetString *prime1,
                                                       const OctetString *prime2,
                                                       const OctetString *exponent1,
                                                       const OctetString *exponent2,
                                                       const OctetString *coefficient,
                                                       const OctetString *input,
                                                       OctetString *output, uint32_t *error);

/* Key generation
 * --------------
 * Generates an RSA key with two strong primes of floor(modulusLength / 2)
 * bytes each. exponentLength 3 gives e = 65537; any other length a random odd
 * exponent of exactly that many bytes. d = e^-1 mod lcm(p - 1, q - 1), p > q.
 * Every component is written in minimal big-endian form; on success the
 * lengths are: d and n 2·floor(modulusLength / 2), e exponentLength, p, q, dP,
 * dQ and qInv floor(modulusLength / 2). Buffers: at least modulusLength bytes
 * for d and n, exponentLength for e, floor(modulusLength / 2) for the others.
 *
 * Accepted modulusLength values: 64, 65, 96, 97, 128, 129, 160, 161, 192,
 * 193, 224, 225 and 256 (half the length must be a multiple of 16 bytes; the
 * prime search cannot complete otherwise). exponentLength: 1 to
 * modulusLength, and below modulusLength when modulusLength is odd.
 *
 * Errors: 0; 546 (JCMVP error state, or in the JCMVP mode the new key failed
 * its pair-wise test: the records then hold the rejected key and its
 * lengths); 99 (lengths out of range, a null record or data pointer); 301
 * (memory, random bytes or arithmetic failed). After a failure other than the
 * pair-wise test the lengths are unchanged; the buffers may hold bytes of a
 * rejected attempt. */
KXRSA_API int32_t KXRSA_CALL KxGenerateRsaKey(uint32_t modulusLength, int32_t exponentLength,
                                              OctetString *privateExponent,
                                              OctetString *publicExponent,
                                              OctetString *modulus,
                                              OctetString *prime1,
                                              OctetString *prime2,
                                              OctetString *exponent1,
                                              OctetString *exponent2,
                                              OctetString *coefficient,
                                              uint32_t *error);

/* PKCS #1 operations
 * ------------------
 * k is the modulus record's length. Order of checks: null record pointers
 * (99, written only when error is not null; an input, message or signature
 * record whose data is null with a non-zero length counts as null, as does
 * the output record of sealing and signing with null data; a null data
 * pointer of length 0 is the empty string), null error (-1), the length rule of
 * unsealing (547) and verifying (549), the scheme identifier (99), the JCMVP
 * gate (546), then the work. Codes passed on from the raw operation: 99 (key
 * records), 62, 546. Codes of the block step: 547, 548, 549 (also when the
 * random generator or a digest fails there), or 62 when the step's own
 * memory could not be obtained. Sealing and signing build the block before
 * the raw operation checks the key records, so a block that cannot be built
 * (548) is reported before a bad modulus or key record (99).
 * PSS uses a salt as long as the hash and emBits = 8k - 1; OAEP the empty
 * label and MGF1 with the scheme's hash.
 *
 * Limits of k: it is taken from the record, never from the modulus's value,
 * so leading zero bytes of the modulus record count. The v1.5 schemes and
 * OAEP work at every bit length, but only with the modulus record in minimal
 * form (no leading zero byte); with one, k is too large, the blocks do not
 * follow PKCS #1 and round trips fail for some messages. PSS takes the
 * modulus to be exactly 8k bits (the top bit of its first byte set): with a
 * modulus of any other bit length (1023 or 2047 bits, say), or a record with
 * a leading zero byte, signing still reports success but its signatures and
 * verification do not interoperate and often fail. Keys made by
 * KxGenerateRsaKey always have 8k-bit moduli. */

/* Encrypt `input` under scheme 0 (v1.5, at most k - 11 bytes) or OAEP
 * (KxSchemeOaep + hash, at most k - 2·hLen - 2 bytes). On success `output`
 * (a buffer of k bytes) holds exactly k bytes, left-padded with zeros. */
KXRSA_API int32_t KXRSA_CALL KxSealRsaBlockPKCS(uint32_t scheme,
                                                const OctetString *publicExponent,
                                                const OctetString *modulus,
                                                const OctetString *input,
                                                OctetString *output, uint32_t *error);

/* Decrypt the k-byte ciphertext `input` (547 for any other length) under
 * scheme 0 or OAEP. `output` needs k bytes: the raw result is written there
 * first; on success it holds the data and its length. After a 547 or 62 from
 * the block step, output holds the raw private-key result. */
KXRSA_API int32_t KXRSA_CALL KxUnsealRsaBlockPKCS(uint32_t scheme,
                                                  const OctetString *privateExponent,
                                                  const OctetString *modulus,
                                                  const OctetString *prime1,
                                                  const OctetString *prime2,
                                                  const OctetString *exponent1,
                                                  const OctetString *exponent2,
                                                  const OctetString *coefficient,
                                                  const OctetString *input,
                                                  OctetString *output, uint32_t *error);

/* Sign the message `input` (hashed inside) under KxSchemeV15Signature + hash
 * or KxSchemePss + hash. On success `output` (k bytes) holds the k-byte
 * signature. */
KXRSA_API int32_t KXRSA_CALL KxSignRsaBlockPKCS(uint32_t scheme,
                                                const OctetString *privateExponent,
                                                const OctetString *modulus,
                                                const OctetString *prime1,
                                                const OctetString *prime2,
                                                const OctetString *exponent1,
                                                const OctetString *exponent2,
                                                const OctetString *coefficient,
                                                const OctetString *input,
                                                OctetString *output, uint32_t *error);

/* Verify the k-byte `signature` (549 for any other length) of `message`
 * (hashed inside). 0 when it matches; -1 with 549 when it does not. */
KXRSA_API int32_t KXRSA_CALL KxVerifyRsaBlockPKCS(uint32_t scheme,
                                                  const OctetString *publicExponent,
                                                  const OctetString *modulus,
                                                  const OctetString *signature,
                                                  const OctetString *message,
                                                  uint32_t *error);

/* JCMVP mode
 * ----------
 * mode 1 switches the family into the JCMVP mode: loads the siblings'
 * mode setters and the status library libkxjcmvp.so, switches the siblings
 * that are not yet on, and runs this library's power-up self-test. A failed
 * self-test still returns 0; the status then makes every operation fail with
 * 546. Returns -1 when a sibling library, its mode setter, the status
 * library or one of its six entry points is missing (the mode stays off and
 * the status library is not kept loaded), or when a sibling's setter fails
 * (the mode is then on). mode 0 switches the mode off and unloads the status
 * library. Switching on while on, or off while off, does nothing; any other
 * value does nothing. Returns 0 in all those cases. The libraries are found
 * by the ordinary search path (LD_LIBRARY_PATH, then libkxrsa.so's RUNPATH;
 * on Windows the standard DLL search order, the application's folder first).
 * No error location. */
KXRSA_API int32_t KXRSA_CALL KxRsaSetJCMVPMode(int32_t mode);

#ifdef __cplusplus
}
#endif

#endif /* KXRSA_H */
