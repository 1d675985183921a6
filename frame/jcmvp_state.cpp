// The process-wide JCMVP mode state. see frame.h
#include <atomic>

#include "frame.h"

namespace {

// Written only by KxRsaSetJCMVPMode (and tests), read by every entry gate
// without locks. All null when the library is loaded (mode off).
struct JcmvpModeState {
    std::atomic<void*> library{nullptr};  // not null exactly while the mode is on
    std::atomic<decltype(JcmvpEntryPoints::getFamilyStatus)> getFamilyStatus{nullptr};
    std::atomic<decltype(JcmvpEntryPoints::familyPowerUpSelfTest)> familyPowerUpSelfTest{nullptr};
    std::atomic<decltype(JcmvpEntryPoints::setStatus)> setStatus{nullptr};
    std::atomic<decltype(JcmvpEntryPoints::getStatus)> getStatus{nullptr};
    std::atomic<decltype(JcmvpEntryPoints::powerUpSelfTest)> powerUpSelfTest{nullptr};
    std::atomic<decltype(JcmvpEntryPoints::rsaKeyPairTest)> rsaKeyPairTest{nullptr};
};

JcmvpModeState g_jcmvp;

constexpr auto kPublish = std::memory_order_release;
constexpr auto kRead = std::memory_order_acquire;

}  // namespace

void* SetJcmvpMode(void* library, const JcmvpEntryPoints* entryPoints) {
    if (entryPoints != nullptr) {
        g_jcmvp.getFamilyStatus.store(entryPoints->getFamilyStatus, kPublish);
        g_jcmvp.familyPowerUpSelfTest.store(entryPoints->familyPowerUpSelfTest, kPublish);
        g_jcmvp.setStatus.store(entryPoints->setStatus, kPublish);
        g_jcmvp.getStatus.store(entryPoints->getStatus, kPublish);
        g_jcmvp.powerUpSelfTest.store(entryPoints->powerUpSelfTest, kPublish);
        g_jcmvp.rsaKeyPairTest.store(entryPoints->rsaKeyPairTest, kPublish);
    }
    return g_jcmvp.library.exchange(library, std::memory_order_acq_rel);
}

JcmvpEntryPoints JcmvpModeEntryPoints() {
    return {g_jcmvp.getFamilyStatus.load(kRead), g_jcmvp.familyPowerUpSelfTest.load(kRead),
            g_jcmvp.setStatus.load(kRead),       g_jcmvp.getStatus.load(kRead),
            g_jcmvp.powerUpSelfTest.load(kRead), g_jcmvp.rsaKeyPairTest.load(kRead)};
}

bool IsJcmvpModeOn() { return g_jcmvp.library.load(kRead) != nullptr; }

bool IsJcmvpErrorState() {
    if (!IsJcmvpModeOn()) return false;
    const auto getFamilyStatus = g_jcmvp.getFamilyStatus.load(kRead);
    return getFamilyStatus != nullptr && getFamilyStatus() == KxStatusError;
}
