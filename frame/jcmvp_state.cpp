// see frame.h
#include "frame.h"

JcmvpModeState g_jcmvp;

namespace {
constexpr auto kPublish = std::memory_order_release;
constexpr auto kRead = std::memory_order_acquire;
}  // namespace

void JcmvpModeState::Publish(void* handle, const JcmvpEntryPoints& entryPoints) {
    getFamilyStatus.store(entryPoints.getFamilyStatus, kPublish);
    familyPowerUpSelfTest.store(entryPoints.familyPowerUpSelfTest, kPublish);
    setStatus.store(entryPoints.setStatus, kPublish);
    getStatus.store(entryPoints.getStatus, kPublish);
    powerUpSelfTest.store(entryPoints.powerUpSelfTest, kPublish);
    rsaKeyPairTest.store(entryPoints.rsaKeyPairTest, kPublish);
    library.store(handle, kPublish);
}

JcmvpEntryPoints JcmvpModeState::EntryPoints() const {
    return {getFamilyStatus.load(kRead), familyPowerUpSelfTest.load(kRead), setStatus.load(kRead),
            getStatus.load(kRead),       powerUpSelfTest.load(kRead),       rsaKeyPairTest.load(kRead)};
}

bool IsJcmvpModeOn() { return g_jcmvp.library.load(kRead) != nullptr; }

bool IsJcmvpErrorState() {
    if (!IsJcmvpModeOn()) return false;
    const auto getFamilyStatus = g_jcmvp.getFamilyStatus.load(kRead);
    return getFamilyStatus != nullptr && getFamilyStatus() == 4;
}
