// selftest: the JCMVP mode switched on and off, with the status of each module.
#include <dlfcn.h>

#include <cstdio>

#include "commands.h"
#include "failure.h"
#include "kxrsa.h"

namespace {

// The status library that switching the mode on loads; its status queries are
// looked up in the copy already loaded.
constexpr char StatusLibrary[] = "libkxjcmvp.so";
using ModuleStatus = int32_t (*)(int32_t module);
using FamilyStatus = int32_t (*)();

struct Module {
    int32_t id;
    const char* name;
};
constexpr Module MODULES[] = {{0, "kxcore"},  {7, "kxhmac"}, {11, "kxrng"},
                              {12, "kxsha2"}, {13, "kxrsa"}, {14, "kxsha1"}};
constexpr int32_t RsaModule = 13;
constexpr int32_t StatusReady = 1;
constexpr int32_t StatusError = 4;
constexpr const char* STATUS_NAMES[] = {"off", "ready", "starting", "self-test", "error"};

const char* StatusName(int32_t status) { return status >= 0 && status <= 4 ? STATUS_NAMES[status] : "unknown"; }

// Prints each module's status (modules that keep none read "off") and the
// family's; true when kxrsa is ready and no module is in error.
bool PrintStatuses() {
    void* library = dlopen(StatusLibrary, RTLD_LAZY | RTLD_NOLOAD);
    if (library == nullptr) {
        std::printf("  %s is not loaded\n", StatusLibrary);
        return false;
    }
    const auto module = reinterpret_cast<ModuleStatus>(dlsym(library, "JCMVPGetStatus"));
    const auto family = reinterpret_cast<FamilyStatus>(dlsym(library, "KxJCMVPGetStatus"));
    bool ready = module != nullptr && family != nullptr;
    if (ready) {
        for (const Module& each : MODULES) {
            const int32_t status = module(each.id);
            std::printf("  %-8s %s\n", each.name, StatusName(status));
            if (each.id == RsaModule) ready = status == StatusReady;
        }
        const int32_t status = family();
        std::printf("  %-8s %s\n", "family", StatusName(status));
        ready = ready && status != StatusError;
    }
    dlclose(library);
    return ready;
}

// One raw public-key operation (3^3 mod 2^512 - 1): it fails with
// ErrModuleState when the mode's status closes the library's entry gate.
uint32_t GateError() {
    uint8_t modulus[64], three = 3, result[64];
    for (uint8_t& byte : modulus) byte = 0xFF;
    const OctetString e{&three, 1}, n{modulus, sizeof modulus}, x{&three, 1};
    OctetString y{result, 0};
    uint32_t error = 0;
    KxSealRsaBlock(&e, &n, &x, &y, &error);
    return error;
}

}  // namespace

int RunSelftest(const Options&) {
    if (KxRsaSetJCMVPMode(1) != 0) {
        KxRsaSetJCMVPMode(0);
        throw Failure{ExitLibrary,
                      "selftest: the JCMVP mode cannot be switched on: a sibling library, its mode setter or the "
                      "status library " +
                          std::string(StatusLibrary) + " is missing or failed"};
    }
    std::printf("JCMVP mode on; module statuses:\n");
    const bool ready = PrintStatuses();
    const uint32_t error = GateError();
    std::printf("operations: %s\n", error == 0 ? "open" : "refused");
    KxRsaSetJCMVPMode(0);
    std::printf("self-test: %s\nJCMVP mode off\n", ready && error == 0 ? "passed" : "FAILED");
    if (error != 0) FailLibrary("selftest", error);
    if (!ready) throw Failure{ExitLibrary, "selftest: kxrsa is not ready, or a module reports an error"};
    return ExitSuccess;
}
