// KxRsaSetJCMVPMode: switching the JCMVP mode on and off, and the pair-wise
// test of a new key through the status library.
#include "frame.h"
#include "loader.h"

namespace {

using ModeSetter = int32_t (*)(int32_t mode);

struct JcmvpSibling {
    const char* moduleName;  // the family's library name; the loader maps it
    const char* setterName;
    int32_t moduleId;        // the number the status library knows it by
};

// The siblings switched together with this library, in the order they are
// loaded and switched.
constexpr uint32_t JCMVP_SIBLING_COUNT = 5;
constexpr JcmvpSibling JCMVP_SIBLINGS[JCMVP_SIBLING_COUNT] = {
    {"kxhmac.dll", "KxHMACSetJCMVPMode", KxModuleHmac},
    {"kxcore.dll", "KxCORESetJCMVPMode", KxModuleCore},
    {"kxrng.dll", "KxRngSetJCMVPMode", KxModuleRng},
    {"kxsha2.dll", "KxSHASetJCMVPMode", KxModuleSha2},
    {"kxsha1.dll", "KxSHA1SetJCMVPMode", KxModuleSha1},
};

constexpr char STATUS_LIBRARY[] = "kxjcmvp.dll";

template <typename Function>
bool FindInto(void* library, const char* name, Function* entryPoint) {
    *entryPoint = reinterpret_cast<Function>(FindEntryPoint(library, name));
    return *entryPoint != nullptr;
}

// Loads every sibling and looks up its mode setter. The siblings stay loaded
// for the life of the process, also when a later one is missing: they are
// family libraries that kxrsa links at load time anyway (or, for kxhmac,
// cheap to keep), and a later switch-on finds them loaded already.
bool FindSiblingSetters(ModeSetter setters[JCMVP_SIBLING_COUNT]) {
    for (uint32_t i = 0; i < JCMVP_SIBLING_COUNT; ++i) {
        void* sibling = LoadFamilyLibrary(JCMVP_SIBLINGS[i].moduleName);
        if (sibling == nullptr || !FindInto(sibling, JCMVP_SIBLINGS[i].setterName, &setters[i])) return false;
    }
    return true;
}

// Loads the status library into *library and looks up its six entry points.
// All six or nothing: with one missing the library is unloaded again, so the
// mode never reads as on with an entry point that the gate, switching off or
// the pair-wise test would call through a null pointer.
bool LoadStatusLibrary(void** library, JcmvpEntryPoints* entry) {
    *library = LoadFamilyLibrary(STATUS_LIBRARY);
    if (*library == nullptr) return false;
    if (!FindInto(*library, "KxJCMVPGetStatus", &entry->getFamilyStatus) ||
        !FindInto(*library, "KxJCMVPPowerUpSelfTest", &entry->familyPowerUpSelfTest) ||
        !FindInto(*library, "JCMVPSetStatus", &entry->setStatus) ||
        !FindInto(*library, "JCMVPGetStatus", &entry->getStatus) ||
        !FindInto(*library, "JCMVPPowerUpSelfTest", &entry->powerUpSelfTest) ||
        !FindInto(*library, "JCMVPRsaKeyPairTest", &entry->rsaKeyPairTest)) {
        ReleaseFamilyLibrary(*library);
        return false;
    }
    return true;
}

int32_t SwitchOn() {
    // Already on: nothing is loaded or called again.
    if (IsJcmvpModeOn()) return 0;

    // Siblings' setters, then the status library and its entry points.
    // Until all are found the mode state is not touched: the mode stays off.
    ModeSetter setters[JCMVP_SIBLING_COUNT] = {};
    if (!FindSiblingSetters(setters)) return -1;
    void* library = nullptr;
    JcmvpEntryPoints status = {};
    if (!LoadStatusLibrary(&library, &status)) return -1;
    SetJcmvpMode(library, &status);  // from here on the mode is on

    // Switch the siblings that the status library reports as never
    // switched on. A failing setter leaves the mode on with own status KxStatusStarting.
    status.setStatus(KxModuleRsa, KxStatusStarting);
    for (uint32_t i = 0; i < JCMVP_SIBLING_COUNT; ++i) {
        if (status.getStatus(JCMVP_SIBLINGS[i].moduleId) != KxStatusOff) continue;
        if (setters[i](1) == -1) return -1;
    }

    // The power-up self-test. Its failure is reported only through the
    // status: the family status then closes the entry gate of every export
    // until the mode is switched off (the status library keeps a module's KxStatusError).
    status.setStatus(KxModuleRsa, KxStatusSelfTest);
    const bool passed = status.powerUpSelfTest(KxModuleRsa) == 0;
    status.setStatus(KxModuleRsa, passed ? KxStatusReady : KxStatusError);
    return 0;
}

int32_t SwitchOff() {
    if (!IsJcmvpModeOn()) return 0;
    JcmvpModeEntryPoints().setStatus(KxModuleRsa, KxStatusOff);
    // The handle goes to null (release) before the library is released: a
    // gate never sees a handle whose entry points are gone. The entry points
    // stay recorded but dangle: nothing reads them while the handle is null.
    ReleaseFamilyLibrary(SetJcmvpMode(nullptr, nullptr));
    return 0;
}

}  // namespace

extern "C" KXRSA_API int32_t KxRsaSetJCMVPMode(int32_t mode) {
    if (mode == 1) return SwitchOn();
    if (mode == 0) return SwitchOff();
    return 0;  // any other value is ignored
}

// see frame.h
int32_t JcmvpRsaKeyPairCheck(const OctetString* d, const OctetString* e, const OctetString* n,
                             const OctetString* p, const OctetString* q, const OctetString* dP,
                             const OctetString* dQ, const OctetString* qInv) {
    const JcmvpEntryPoints status = JcmvpModeEntryPoints();
    status.setStatus(KxModuleRsa, KxStatusSelfTest);
    if (status.rsaKeyPairTest(d, e, n, p, q, dP, dQ, qInv) == -1) {
        status.setStatus(KxModuleRsa, KxStatusError);
        return 0;
    }
    status.setStatus(KxModuleRsa, KxStatusReady);
    return 1;
}
