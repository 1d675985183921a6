// Finding kxrsa's exports from inside the status library. see kxjcmvp_rsa.h
#include <dlfcn.h>

#include <cstring>

#include "kxjcmvp_rsa.h"

namespace {
template <typename Function>
bool FindInto(void* scope, const char* name, Function* entryPoint) {
    *entryPoint = reinterpret_cast<Function>(dlsym(scope, name));
    return *entryPoint != nullptr;
}
}  // namespace

bool OpenKxRsa(KxRsaExports* rsa) {
    // RTLD_NOLOAD: take a reference to the kxrsa that loaded us, wherever it
    // came from (also when an application loaded it RTLD_LOCAL); never load a
    // second copy. Without it (kxrsa linked into a program that exports its
    // functions) the global scope is searched.
    rsa->library = dlopen("libkxrsa.so", RTLD_NOW | RTLD_NOLOAD);
    void* scope = rsa->library != nullptr ? rsa->library : RTLD_DEFAULT;
    if (FindInto(scope, "KxSealRsaBlock", &rsa->seal) && FindInto(scope, "KxUnsealRsaBlock", &rsa->unseal) &&
        FindInto(scope, "KxUnsealRsaBlockBlinding", &rsa->unsealBlinding) &&
        FindInto(scope, "KxSignRsaBlockPKCS", &rsa->sign) && FindInto(scope, "KxVerifyRsaBlockPKCS", &rsa->verify))
        return true;
    CloseKxRsa(rsa);
    return false;
}

void CloseKxRsa(KxRsaExports* rsa) {
    if (rsa->library != nullptr) dlclose(rsa->library);
    rsa->library = nullptr;
}

bool SameBytes(const OctetString& a, const uint8_t* bytes, uint32_t length) {
    return a.length == length && (length == 0 || std::memcmp(a.data, bytes, length) == 0);
}
