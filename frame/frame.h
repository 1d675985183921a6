// frame.h: what every exported operation has in common: the error location,
// the JCMVP entry gate over the mode state, and the argument rules.
#ifndef KXRSA_FRAME_FRAME_H
#define KXRSA_FRAME_FRAME_H

#include <cstdint>

#include "kxfamily.h"

// ---------------------------------------------------------------------------
// Mode state: written only by KxRsaSetJCMVPMode, read by every entry gate
// without locks. All null when the library is loaded (mode off).
// ---------------------------------------------------------------------------

// The six entry points of the status library, as looked up.
struct JcmvpEntryPoints {
    int32_t (*getFamilyStatus)();                    // KxJCMVPGetStatus
    int32_t (*familyPowerUpSelfTest)();              // KxJCMVPPowerUpSelfTest (never called)
    int32_t (*setStatus)(int32_t module, int32_t status);  // JCMVPSetStatus
    int32_t (*getStatus)(int32_t module);            // JCMVPGetStatus
    int32_t (*powerUpSelfTest)(int32_t module);      // JCMVPPowerUpSelfTest
    int32_t (*rsaKeyPairTest)(const OctetString*, const OctetString*, const OctetString*,
                              const OctetString*, const OctetString*, const OctetString*,
                              const OctetString*, const OctetString*);  // JCMVPRsaKeyPairTest
};

// The mode state itself (the handle of the status library and its entry
// points, each an atomic) is private to jcmvp_state.cpp; these three read and
// write it. The mode is not meant to be switched while operations run on other
// threads (no lock is taken), but the gates' reads are race-free.

// SetJcmvpMode: stores `entryPoints` (when not null), then `library` as the
//   handle, and returns the handle it replaced. Switching on passes the loaded
//   library and its entry points; switching off passes two nulls and releases
//   what it gets back. The entry points are stored before the handle
//   (release), and a gate loads the handle first (acquire), so a gate that
//   sees a handle sees the entry points stored with it.
void* SetJcmvpMode(void* library, const JcmvpEntryPoints* entryPoints);
// JcmvpModeEntryPoints: the recorded entry points; meaningful while the mode is on.
JcmvpEntryPoints JcmvpModeEntryPoints();

// IsJcmvpModeOn: the status library is loaded.
bool IsJcmvpModeOn();
// IsJcmvpErrorState: the mode is on and the family status is KxStatusError.
bool IsJcmvpErrorState();
// IsGateClosed: the entry gate refuses the call (mode on and error state;
//   IsJcmvpErrorState tests the mode itself).
inline bool IsGateClosed() { return IsJcmvpErrorState(); }

// ---------------------------------------------------------------------------
// Error location and argument rules
// ---------------------------------------------------------------------------

// Fail: stores `code` when `error` is not null; returns -1 for `return Fail(...)`.
inline int32_t Fail(uint32_t* error, uint32_t code) {
    if (error != nullptr) *error = code;
    return -1;
}

constexpr uint32_t kMinModulusLength = 64;
constexpr uint32_t kMaxModulusLength = 256;

// HasData: the record and its data pointer are present.
inline bool HasData(const OctetString* s) { return s != nullptr && s->data != nullptr; }

// IsModulusLengthValid: 64 <= L <= 256 (bytes, leading zeros included).
inline bool IsModulusLengthValid(uint32_t length) {
    return length >= kMinModulusLength && length <= kMaxModulusLength;
}

// FitsModulus: the record and its data are present and it is at most L bytes.
inline bool FitsModulus(const OctetString* s, uint32_t modulusLength) {
    return HasData(s) && s->length <= modulusLength;
}

// IsZeroValue: every byte of the record is zero (an empty record too). Reads
// the value only; a working integer's `used` still comes from the length.
bool IsZeroValue(const OctetString* s);

// WordsFor: working-integer word count for a modulus of L bytes, ceil(L / 4).
inline uint32_t WordsFor(uint32_t modulusLength) { return (modulusLength + 3) / 4; }

// ---------------------------------------------------------------------------
// JCMVP items used by the other folders
// ---------------------------------------------------------------------------

// JcmvpRsaKeyPairCheck: the pair-wise test of a new key through the status
// library (records in the order d, e, n, p, q, dP, dQ, qInv). 1 passed, 0 failed.
// Only called while IsJcmvpModeOn().
int32_t JcmvpRsaKeyPairCheck(const OctetString* d, const OctetString* e, const OctetString* n,
                             const OctetString* p, const OctetString* q, const OctetString* dP,
                             const OctetString* dQ, const OctetString* qInv);

#endif  // KXRSA_FRAME_FRAME_H
