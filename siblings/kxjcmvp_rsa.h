// kxjcmvp_rsa.h: the status library's self-tests of kxrsa, private to
// libkxjcmvp.so. kxrsa loads the status library, never the other way round:
// the tests reach kxrsa's exports in the process that already has it loaded.
#ifndef KXFAMILY_KXJCMVP_RSA_H
#define KXFAMILY_KXJCMVP_RSA_H

#include <cstdint>

#include "kxrsa.h"

// The kxrsa exports the self-tests call.
struct KxRsaExports {
    void* library;  // a reference to the loaded kxrsa taken here, or null (found in the program)
    decltype(&KxSealRsaBlock) seal;
    decltype(&KxUnsealRsaBlock) unseal;
    decltype(&KxUnsealRsaBlockBlinding) unsealBlinding;
    decltype(&KxSignRsaBlockPKCS) sign;
    decltype(&KxVerifyRsaBlockPKCS) verify;
};

// OpenKxRsa: finds the exports in the libkxrsa.so already loaded in the
//   process (never loads it), else in the global scope. True when all five
//   were found; the caller then calls CloseKxRsa. False leaves nothing open.
bool OpenKxRsa(KxRsaExports* rsa);
void CloseKxRsa(KxRsaExports* rsa);

// RunRsaKnownAnswerTest: kxrsa's power-up self-test. A fixed 1024-bit key and
//   fixed inputs through the raw public, raw private (plain and blinded),
//   v1.5 SHA-256 signing and verifying exports, compared with results fixed
//   here. 0 when every result matches; 1 on a mismatch or a failed call;
//   -1 when kxrsa's exports cannot be found.
int32_t RunRsaKnownAnswerTest();

// RunRsaKeyPairTest: the pair-wise consistency test of a key in the order d,
//   e, n, p, q, dP, dQ, qInv: a fixed value below n through the raw public
//   then the raw private operation must come back unchanged (and must have
//   changed in between), and a v1.5 SHA-256 signature made with the key must
//   verify with it. 0 passed, -1 failed (also for a missing record or export).
int32_t RunRsaKeyPairTest(const OctetString* d, const OctetString* e, const OctetString* n,
                          const OctetString* p, const OctetString* q, const OctetString* dP,
                          const OctetString* dQ, const OctetString* qInv);

// The v1.5 signature scheme with SHA-256, used by both tests.
constexpr uint32_t KxSchemeV15SignatureSha256 = uint32_t{KxSchemeV15Signature} + uint32_t{KxHashSha256};

// SameBytes: two records hold the same bytes (lengths included).
bool SameBytes(const OctetString& a, const uint8_t* bytes, uint32_t length);

#endif  // KXFAMILY_KXJCMVP_RSA_H
