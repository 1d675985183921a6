// A stand-in for the status library libkxjcmvp.so that logs every call (see
// fake_jcmvp_log.h) and keeps module statuses like the real one (the family
// status is the highest module status). Switches, read at each call:
//   KX_FAKE_JCMVP_SELFTEST_FAIL=1   JCMVPPowerUpSelfTest returns 1
//   KX_FAKE_JCMVP_PAIRWISE_FAIL=1   JCMVPRsaKeyPairTest returns -1
//   KX_FAKE_JCMVP_FAMILY_ERROR=1    KxJCMVPGetStatus returns 4
//   KX_FAKE_JCMVP_ON_MODULES=7,12   these modules start with status 1 (read at load)
// Built once per entry point with KX_FAKE_OMIT_<name> to make a library that
// lacks it. Loading and unloading are logged as "load" and "unload".
#include <atomic>
#include <cstdint>

#include "fake_jcmvp_log.h"
#include "kxrsa.h"

#define FAKE_API extern "C" __attribute__((visibility("default")))

namespace {

constexpr int32_t MODULE_LIMIT = 16;  // module numbers 0..15
std::atomic<int32_t> g_status[MODULE_LIMIT];

bool IsModule(int32_t module) { return module >= 0 && module < MODULE_LIMIT; }

__attribute__((constructor)) void OnLoad() {
    fake_jcmvp::Log("load");
    const char* list = fake_jcmvp::Setting("KX_FAKE_JCMVP_ON_MODULES");
    while (*list != '\0') {
        char* end = nullptr;
        const long module = std::strtol(list, &end, 10);
        if (end == list) break;
        if (IsModule(static_cast<int32_t>(module))) g_status[module].store(1);
        list = *end == ',' ? end + 1 : end;
    }
}

__attribute__((destructor)) void OnUnload() { fake_jcmvp::Log("unload"); }

[[maybe_unused]] int32_t HighestStatus() {
    int32_t highest = 0;
    for (int32_t i = 0; i < MODULE_LIMIT; ++i)
        if (g_status[i].load() > highest) highest = g_status[i].load();
    return highest;
}

}  // namespace

#ifndef KX_FAKE_OMIT_KxJCMVPGetStatus
FAKE_API int32_t KxJCMVPGetStatus() {
    fake_jcmvp::Log("KxJCMVPGetStatus");
    return fake_jcmvp::IsSet("KX_FAKE_JCMVP_FAMILY_ERROR") ? 4 : HighestStatus();
}
#endif

#ifndef KX_FAKE_OMIT_KxJCMVPPowerUpSelfTest
FAKE_API int32_t KxJCMVPPowerUpSelfTest() {
    fake_jcmvp::Log("KxJCMVPPowerUpSelfTest");
    return 0;
}
#endif

#ifndef KX_FAKE_OMIT_JCMVPSetStatus
FAKE_API int32_t JCMVPSetStatus(int32_t module, int32_t status) {
    fake_jcmvp::Log("JCMVPSetStatus %d %d", module, status);
    if (!IsModule(module)) return -1;
    g_status[module].store(status);
    return 0;
}
#endif

#ifndef KX_FAKE_OMIT_JCMVPGetStatus
FAKE_API int32_t JCMVPGetStatus(int32_t module) {
    fake_jcmvp::Log("JCMVPGetStatus %d", module);
    return IsModule(module) ? g_status[module].load() : -1;
}
#endif

#ifndef KX_FAKE_OMIT_JCMVPPowerUpSelfTest
FAKE_API int32_t JCMVPPowerUpSelfTest(int32_t module) {
    fake_jcmvp::Log("JCMVPPowerUpSelfTest %d", module);
    return fake_jcmvp::IsSet("KX_FAKE_JCMVP_SELFTEST_FAIL") ? 1 : 0;
}
#endif

#ifndef KX_FAKE_OMIT_JCMVPRsaKeyPairTest
// Logs each record as address:length, so a test can check that it got its own
// records, unchanged, with their lengths set.
FAKE_API int32_t JCMVPRsaKeyPairTest(const OctetString* d, const OctetString* e, const OctetString* n,
                                     const OctetString* p, const OctetString* q, const OctetString* dP,
                                     const OctetString* dQ, const OctetString* qInv) {
    const OctetString* records[8] = {d, e, n, p, q, dP, dQ, qInv};
    char line[512];
    int used = std::snprintf(line, sizeof(line), "JCMVPRsaKeyPairTest");
    for (const OctetString* r : records)
        used += std::snprintf(line + used, sizeof(line) - used, " %p:%u", static_cast<const void*>(r),
                              r != nullptr ? r->length : 0u);
    fake_jcmvp::Log("%s", line);
    return fake_jcmvp::IsSet("KX_FAKE_JCMVP_PAIRWISE_FAIL") ? -1 : 0;
}
#endif
