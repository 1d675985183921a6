/*
 * kxfamily.h: the binary interface of the kx family's sibling libraries, as
 * kxrsa calls them and as the project's own siblings implement them.
 *
 *   libkxrng.so    KxRngGenerate, KxRngSetJCMVPMode
 *   libkxcore.so   KxDigestMd2Block, KxDigestMd5Block, KxCORESetJCMVPMode
 *   libkxsha1.so   KxDigestSHA1Block, KxSHA1SetJCMVPMode
 *   libkxsha2.so   KxDigestSHA256Block, KxDigestSHA384Block,
 *                  KxDigestSHA512Block, KxSHASetJCMVPMode
 *   libkxhmac.so   KxHMACSetJCMVPMode
 *   libkxjcmvp.so  KxJCMVPGetStatus, KxJCMVPPowerUpSelfTest, JCMVPSetStatus,
 *                  JCMVPGetStatus, JCMVPPowerUpSelfTest, JCMVPRsaKeyPairTest
 *
 * All integers are 32-bit. Failure is -1 throughout; an error location is
 * given kxrsa.h's codes (ErrInternal, ErrParameter).
 */
#ifndef KXFAMILY_H
#define KXFAMILY_H

#include <stdint.h>

#include "kxrsa.h"

/* Marks a sibling's export. On Windows the .def file of each DLL also lists
 * them, and gives the generator and SHA-1 their export number 1. */
#if defined(_WIN32)
#define KXFAMILY_API __declspec(dllexport)
#else
#define KXFAMILY_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* count random bytes into out; 0, or -1 on failure (may write *error). */
int32_t KxRngGenerate(uint32_t count, uint8_t *out, uint32_t *error);
int32_t KxRngSetJCMVPMode(int32_t mode);

/* Whole digest into digest (16, 16, 20, 32, 48, 64 bytes); -1 on failure,
 * anything else is success. mode is 3 for MD2, MD5 and SHA-1 and 4 for the
 * SHA-2 functions; scratch is a caller's area of 1024 bytes. */
int32_t KxDigestMd2Block(uint32_t length, const uint8_t *input, uint8_t *digest,
                         uint32_t mode, uint8_t *scratch, uint32_t *error);
int32_t KxDigestMd5Block(uint32_t length, const uint8_t *input, uint8_t *digest,
                         uint32_t mode, uint8_t *scratch, uint32_t *error);
int32_t KxCORESetJCMVPMode(int32_t mode);

int32_t KxDigestSHA1Block(uint32_t length, const uint8_t *input, uint8_t *digest,
                          uint32_t mode, uint8_t *scratch, uint32_t *error);
int32_t KxSHA1SetJCMVPMode(int32_t mode);

int32_t KxDigestSHA256Block(uint32_t length, const uint8_t *input, uint8_t *digest,
                            uint32_t mode, uint8_t *scratch, uint32_t *error);
int32_t KxDigestSHA384Block(uint32_t length, const uint8_t *input, uint8_t *digest,
                            uint32_t mode, uint8_t *scratch, uint32_t *error);
int32_t KxDigestSHA512Block(uint32_t length, const uint8_t *input, uint8_t *digest,
                            uint32_t mode, uint8_t *scratch, uint32_t *error);
int32_t KxSHASetJCMVPMode(int32_t mode);

int32_t KxHMACSetJCMVPMode(int32_t mode);

/* The status library. It knows each library of the family by its module
 * number and keeps one status per module, ordered by severity; the family
 * status is the highest of them. */
enum KxFamilyModule {
    KxModuleCore = 0,
    KxModuleHmac = 7,
    KxModuleRng = 11,
    KxModuleSha2 = 12,
    KxModuleRsa = 13,
    KxModuleSha1 = 14
};
enum KxModuleStatus {
    KxStatusOff = 0,       /* never switched on, or switched off */
    KxStatusReady = 1,
    KxStatusStarting = 2,
    KxStatusSelfTest = 3,
    KxStatusError = 4      /* kept until the module is switched off */
};
int32_t KxJCMVPGetStatus(void);          /* KxStatusError: the family is in error */
int32_t KxJCMVPPowerUpSelfTest(void);
int32_t JCMVPSetStatus(int32_t module, int32_t status);
int32_t JCMVPGetStatus(int32_t module);  /* KxStatusOff: never switched on */
int32_t JCMVPPowerUpSelfTest(int32_t module); /* 0: passed */
int32_t JCMVPRsaKeyPairTest(const OctetString *d, const OctetString *e,
                            const OctetString *n, const OctetString *p,
                            const OctetString *q, const OctetString *dP,
                            const OctetString *dQ, const OctetString *qInv);
                                         /* -1: the key pair failed */

#ifdef __cplusplus
}
#endif

#endif /* KXFAMILY_H */
