// gate_scope.h: closes the entry gate, or puts the mode on, for a test,
// without a status library.
#ifndef KXRSA_TESTS_GATE_SCOPE_H
#define KXRSA_TESTS_GATE_SCOPE_H

#include <optional>

#include "frame.h"

// Switches the mode on with `entryPoints` and a stand-in handle for the life
// of the scope, and puts the state found before back afterwards.
struct JcmvpModeScope {
    explicit JcmvpModeScope(const JcmvpEntryPoints& entryPoints) : savedEntryPoints(JcmvpModeEntryPoints()) {
        static int dummyLibrary;
        savedLibrary = SetJcmvpMode(&dummyLibrary, &entryPoints);
    }
    ~JcmvpModeScope() { SetJcmvpMode(savedLibrary, &savedEntryPoints); }
    JcmvpModeScope(const JcmvpModeScope&) = delete;
    JcmvpModeScope& operator=(const JcmvpModeScope&) = delete;
    JcmvpEntryPoints savedEntryPoints;
    void* savedLibrary = nullptr;
};

// Puts the entry gate into the JCMVP error state for the life of the scope.
struct JcmvpErrorStateScope : JcmvpModeScope {
    JcmvpErrorStateScope() : JcmvpModeScope(ErrorState()) {}
    static JcmvpEntryPoints ErrorState() {
        JcmvpEntryPoints entryPoints{};
        entryPoints.getFamilyStatus = [] { return int32_t{KxStatusError}; };
        return entryPoints;
    }
};

// Puts the mode on (family status 1, key-pair tests passing) for the life of
// the scope when `on`, the same way; otherwise leaves the mode as it is.
struct JcmvpModeOnScope {
    explicit JcmvpModeOnScope(bool on) {
        if (on) scope.emplace(ReadyState());
    }
    static JcmvpEntryPoints ReadyState() {
        JcmvpEntryPoints entryPoints{};
        entryPoints.getFamilyStatus = [] { return int32_t{KxStatusReady}; };
        entryPoints.setStatus = [](int32_t, int32_t) { return int32_t{0}; };
        entryPoints.rsaKeyPairTest = [](const OctetString*, const OctetString*, const OctetString*,
                                        const OctetString*, const OctetString*, const OctetString*,
                                        const OctetString*, const OctetString*) { return int32_t{0}; };
        return entryPoints;
    }
    std::optional<JcmvpModeScope> scope;
};

#endif
