// The JCMVP doubles: each call appends "Name arg ..." to the file KX_FAKE_JCMVP_LOG.
// Switches: KX_FAKE_SETTER_FAIL=<setter> (that setter returns -1),
// KX_FAKE_JCMVP_SELFTEST_FAIL=1 (JCMVPPowerUpSelfTest returns 1), KX_FAKE_JCMVP_PAIRWISE=<n>
// (JCMVPRsaKeyPairTest returns n), KX_FAKE_JCMVP_ON_MODULES=,7,12, (status 1 at load).
// Built with KX_FAKE_SETTER=<name>: that sibling mode setter (linked with the real
// sibling, its own setter renamed away); else the status library (family status =
// the highest module status), with KX_FAKE_OMIT_<entry point> lacking that one.
#include <algorithm>
#include <cinttypes>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "kxfamily.h"

#if defined(_WIN32)
#define FAKE_API extern "C" __declspec(dllexport)
#else
#define FAKE_API extern "C" __attribute__((visibility("default")))
#endif

static const char* Setting(const char* name) { return std::getenv(name) != nullptr ? std::getenv(name) : ""; }

static void Log(const char* format, ...) {
    FILE* file = std::fopen(Setting("KX_FAKE_JCMVP_LOG"), "a");
    if (file == nullptr) return;
    va_list args;
    va_start(args, format);
    std::vfprintf(file, format, args);
    va_end(args);
    std::fputc('\n', file), std::fclose(file);
}

#ifdef KX_FAKE_SETTER
FAKE_API int32_t KX_FAKE_SETTER(int32_t mode) {
    Log("%s %d", KX_FAKE_SETTER_NAME, mode);
    return std::strcmp(Setting("KX_FAKE_SETTER_FAIL"), KX_FAKE_SETTER_NAME) == 0 ? -1 : 0;
}
#else
// One status per module number up to kxsha1's, the highest.
constexpr int32_t kSlots = KxModuleSha1 + 1;
static int32_t g_status[kSlots];
static bool IsModule(int32_t module) { return module >= 0 && module < kSlots; }

__attribute__((constructor)) static void OnLoad() {
    Log("load");
    char item[16];
    for (int32_t module = 0; module < kSlots; ++module)  // no std::string: it would keep the library from unloading
        if (std::snprintf(item, sizeof item, ",%d,", module), std::strstr(Setting("KX_FAKE_JCMVP_ON_MODULES"), item))
            g_status[module] = KxStatusReady;
}
__attribute__((destructor)) static void OnUnload() { Log("unload"); }

#ifndef KX_FAKE_OMIT_KxJCMVPGetStatus
FAKE_API int32_t KxJCMVPGetStatus() { return Log("KxJCMVPGetStatus"), *std::max_element(g_status, g_status + kSlots); }
#endif
#ifndef KX_FAKE_OMIT_KxJCMVPPowerUpSelfTest
FAKE_API int32_t KxJCMVPPowerUpSelfTest() { return Log("KxJCMVPPowerUpSelfTest"), 0; }
#endif
#ifndef KX_FAKE_OMIT_JCMVPSetStatus
FAKE_API int32_t JCMVPSetStatus(int32_t module, int32_t status) {
    return Log("JCMVPSetStatus %d %d", module, status), IsModule(module) ? (g_status[module] = status, 0) : -1;
}
#endif
#ifndef KX_FAKE_OMIT_JCMVPGetStatus
FAKE_API int32_t JCMVPGetStatus(int32_t m) { return Log("JCMVPGetStatus %d", m), IsModule(m) ? g_status[m] : -1; }
#endif
#ifndef KX_FAKE_OMIT_JCMVPPowerUpSelfTest
FAKE_API int32_t JCMVPPowerUpSelfTest(int32_t module) {
    return Log("JCMVPPowerUpSelfTest %d", module), std::strcmp(Setting("KX_FAKE_JCMVP_SELFTEST_FAIL"), "1") == 0;
}
#endif
#ifndef KX_FAKE_OMIT_JCMVPRsaKeyPairTest
// Logs each record as address:length (address in hex), so a test sees it got its own records.
FAKE_API int32_t JCMVPRsaKeyPairTest(const OctetString* d, const OctetString* e, const OctetString* n,
                                     const OctetString* p, const OctetString* q, const OctetString* dP,
                                     const OctetString* dQ, const OctetString* qInv) {
    char line[512];
    int used = std::snprintf(line, sizeof(line), "JCMVPRsaKeyPairTest");
    for (const OctetString* r : {d, e, n, p, q, dP, dQ, qInv})
        used += std::snprintf(line + used, sizeof(line) - used, " %" PRIxPTR ":%u", reinterpret_cast<uintptr_t>(r),
                              r != nullptr ? r->length : 0u);
    return Log("%s", line), std::atoi(Setting("KX_FAKE_JCMVP_PAIRWISE"));
}
#endif
#endif
