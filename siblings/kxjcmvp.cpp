// libkxjcmvp.so: the family's status library. It keeps one status per module
// and runs the self-tests it knows (kxrsa's known-answer and pair-wise tests).
//
// Family status (KxJCMVPGetStatus): the highest status any module reports.
// The statuses are ordered by severity, 0 off < 1 ready < 2 starting <
// 3 self-test < 4 error, so the family is in its error state (4) exactly when
// some module is, reads 0 only while every module is off, 1 when every module
// in the mode is ready, and 2 or 3 while some module is still switching on or
// testing itself.
//
// The error status latches: a module at 4 leaves it only through 0, its
// module switched off. JCMVPSetStatus(m, 1, 2 or 3) while m is at 4 keeps 4,
// and so does the family self-test's report of a failure. Every change is a
// compare-and-exchange on the module's status, so no interleaving of two
// threads (one reporting 4, the other 1) can lose the 4.
#include <atomic>

#include "kxfamily.h"
#include "kxjcmvp_rsa.h"

namespace {

// The modules the family knows: kxcore, kxhmac, kxrng, kxsha2, kxrsa, kxsha1.
constexpr uint32_t MODULE_COUNT = 6;
constexpr int32_t MODULE_IDS[MODULE_COUNT] = {KxModuleCore, KxModuleHmac, KxModuleRng,
                                              KxModuleSha2, KxModuleRsa,  KxModuleSha1};

// Each status is set from whichever thread switches or tests its module and
// read by every kxrsa entry gate.
std::atomic<int32_t> g_status[MODULE_COUNT];

// The slot of a module number, or MODULE_COUNT for a number the family does not know.
uint32_t SlotOf(int32_t module) {
    uint32_t slot = 0;
    while (slot < MODULE_COUNT && MODULE_IDS[slot] != module) ++slot;
    return slot;
}

// Moves a module to `status` unless the latch forbids it: from 4 only 0 is
// taken, and with `keepOff` a module at 0 stays there. The status is re-read
// by every failed exchange, so the decision is always made on the value replaced.
void ChangeStatus(uint32_t slot, int32_t status, bool keepOff) {
    int32_t current = g_status[slot].load();
    do {
        if ((current == KxStatusError && status != KxStatusOff) || (keepOff && current == KxStatusOff)) return;
    } while (!g_status[slot].compare_exchange_weak(current, status));
}

}  // namespace

extern "C" KXFAMILY_API int32_t KxJCMVPGetStatus() {
    int32_t family = KxStatusOff;
    for (uint32_t i = 0; i < MODULE_COUNT; ++i) {
        const int32_t status = g_status[i].load();
        if (status > family) family = status;
    }
    return family;
}

extern "C" KXFAMILY_API int32_t JCMVPSetStatus(int32_t module, int32_t status) {
    const uint32_t slot = SlotOf(module);
    if (slot == MODULE_COUNT || status < KxStatusOff || status > KxStatusError) return -1;
    ChangeStatus(slot, status, false);
    return 0;
}

extern "C" KXFAMILY_API int32_t JCMVPGetStatus(int32_t module) {
    const uint32_t slot = SlotOf(module);
    return slot == MODULE_COUNT ? -1 : g_status[slot].load();
}

// kxrsa's module runs kxrsa's known-answer test. The other modules' own tests run
// inside those libraries, so they have nothing to do here; an unknown module fails.
extern "C" KXFAMILY_API int32_t JCMVPPowerUpSelfTest(int32_t module) {
    if (module == KxModuleRsa) return RunRsaKnownAnswerTest();
    return SlotOf(module) == MODULE_COUNT ? -1 : 0;
}

// Reruns the power-up self-test of every module in the mode; a module that
// fails it goes to the error status (unless it was switched off meanwhile).
// 0 when all passed, -1 otherwise.
extern "C" KXFAMILY_API int32_t KxJCMVPPowerUpSelfTest() {
    int32_t result = 0;
    for (uint32_t i = 0; i < MODULE_COUNT; ++i) {
        if (g_status[i].load() == KxStatusOff || JCMVPPowerUpSelfTest(MODULE_IDS[i]) == 0) continue;
        ChangeStatus(i, KxStatusError, true);
        result = -1;
    }
    return result;
}

extern "C" KXFAMILY_API int32_t JCMVPRsaKeyPairTest(const OctetString* d, const OctetString* e,
                                                    const OctetString* n, const OctetString* p,
                                                    const OctetString* q, const OctetString* dP,
                                                    const OctetString* dQ, const OctetString* qInv) {
    return RunRsaKeyPairTest(d, e, n, p, q, dP, dQ, qInv);
}
