// frame.h: what every exported operation has in common: the error location,
// the JCMVP entry gate over the mode state, and the argument rules.
#ifndef KXRSA_FRAME_FRAME_H
#define KXRSA_FRAME_FRAME_H

#include <atomic>
#include <cstdint>

#include "kxrsa.h"

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

// The handle and the entry points, each an atomic so that the gates' reads
// are race-free while operations run on several threads with the mode on.
// Switching on stores the entry points first and the handle last (release);
// the gate loads the handle first (acquire), so a gate that sees the handle
// sees the entry points stored before it. The mode is still not meant to be
// switched while operations run on other threads (no lock is taken).
struct JcmvpModeState {
    std::atomic<void*> library{nullptr};  // not null exactly while the mode is on
    std::atomic<decltype(JcmvpEntryPoints::getFamilyStatus)> getFamilyStatus{nullptr};
    std::atomic<decltype(JcmvpEntryPoints::familyPowerUpSelfTest)> familyPowerUpSelfTest{nullptr};
    std::atomic<decltype(JcmvpEntryPoints::setStatus)> setStatus{nullptr};
    std::atomic<decltype(JcmvpEntryPoints::getStatus)> getStatus{nullptr};
    std::atomic<decltype(JcmvpEntryPoints::powerUpSelfTest)> powerUpSelfTest{nullptr};
    std::atomic<decltype(JcmvpEntryPoints::rsaKeyPairTest)> rsaKeyPairTest{nullptr};

    constexpr JcmvpModeState() = default;

    // Publish: the entry points, then the handle (release); the mode is on
    //   from the handle's store when it is not null.
    void Publish(void* handle, const JcmvpEntryPoints& entryPoints);
    // EntryPoints: the recorded entry points (acquire loads); meaningful
    //   while the handle is not null.
    JcmvpEntryPoints EntryPoints() const;

    // Copies by Publish, so not as one step: for saving and restoring the
    // state around a test.
    JcmvpModeState(const JcmvpModeState& other) { *this = other; }
    JcmvpModeState& operator=(const JcmvpModeState& other) {
        Publish(other.library.load(std::memory_order_acquire), other.EntryPoints());
        return *this;
    }
};

// The process-wide mode state (see jcmvp_state.cpp).
extern JcmvpModeState g_jcmvp;

// IsJcmvpModeOn: the status library is loaded.
bool IsJcmvpModeOn();
// IsJcmvpErrorState: the mode is on and the family status is 4 (error).
bool IsJcmvpErrorState();
// IsGateClosed: the entry gate refuses the call (mode on and error state).
inline bool IsGateClosed() { return IsJcmvpModeOn() && IsJcmvpErrorState(); }

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

// This library's module number at the status library.
constexpr int32_t RsaModuleId = 13;

// JcmvpRsaKeyPairCheck: the pair-wise test of a new key through the status
// library (records in the order d, e, n, p, q, dP, dQ, qInv). 1 passed, 0 failed.
// Only called while IsJcmvpModeOn().
int32_t JcmvpRsaKeyPairCheck(const OctetString* d, const OctetString* e, const OctetString* n,
                             const OctetString* p, const OctetString* q, const OctetString* dP,
                             const OctetString* dQ, const OctetString* qInv);

#endif  // KXRSA_FRAME_FRAME_H
