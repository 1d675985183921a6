// gate_scope.h: closes the entry gate for a test, without a status library.
#ifndef KXRSA_TESTS_GATE_SCOPE_H
#define KXRSA_TESTS_GATE_SCOPE_H

#include "frame.h"

// Puts the entry gate into the JCMVP error state for the life of the scope,
// without a status library: the mode state is pointed at a stand-in.
struct JcmvpErrorStateScope {
    JcmvpErrorStateScope() : saved(g_jcmvp) {
        static int dummyLibrary;
        g_jcmvp.library = &dummyLibrary;
        g_jcmvp.getFamilyStatus = [] { return int32_t{4}; };
    }
    ~JcmvpErrorStateScope() { g_jcmvp = saved; }
    JcmvpModeState saved;
};

#endif
