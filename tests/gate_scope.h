// gate_scope.h: the mode state pointed at stand-ins for a test, without a status library.
#ifndef KXRSA_TESTS_GATE_SCOPE_H
#define KXRSA_TESTS_GATE_SCOPE_H

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

#endif
