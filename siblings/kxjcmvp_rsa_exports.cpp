// Finding kxrsa's exports from inside the status library. see kxjcmvp_rsa.h
#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

#include <cstring>

#include "kxjcmvp_rsa.h"

namespace {

#if defined(_WIN32)
// A reference to the kxrsa.dll already in the process (GetModuleHandleEx
// never loads it), else the program itself, which exports the functions when
// kxrsa is linked into it.
void* TakeKxRsa() {
    HMODULE module = nullptr;
    return GetModuleHandleExA(0, "kxrsa.dll", &module) ? module : nullptr;
}
void* ScopeOf(void* library) { return library != nullptr ? library : GetModuleHandleA(nullptr); }
void* Lookup(void* scope, const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(scope), name));
}
void GiveBack(void* library) { FreeLibrary(static_cast<HMODULE>(library)); }
#else
// RTLD_NOLOAD: take a reference to the kxrsa that loaded us, wherever it came
// from (also when an application loaded it RTLD_LOCAL); never load a second
// copy. Without it (kxrsa linked into a program that exports its functions)
// the global scope is searched.
void* TakeKxRsa() { return dlopen("libkxrsa.so", RTLD_NOW | RTLD_NOLOAD); }
void* ScopeOf(void* library) { return library != nullptr ? library : RTLD_DEFAULT; }
void* Lookup(void* scope, const char* name) { return dlsym(scope, name); }
void GiveBack(void* library) { dlclose(library); }
#endif

template <typename Function>
bool FindInto(void* scope, const char* name, Function* entryPoint) {
    *entryPoint = reinterpret_cast<Function>(Lookup(scope, name));
    return *entryPoint != nullptr;
}

}  // namespace

bool OpenKxRsa(KxRsaExports* rsa) {
    rsa->library = TakeKxRsa();
    void* scope = ScopeOf(rsa->library);
    if (FindInto(scope, "KxSealRsaBlock", &rsa->seal) && FindInto(scope, "KxUnsealRsaBlock", &rsa->unseal) &&
        FindInto(scope, "KxUnsealRsaBlockBlinding", &rsa->unsealBlinding) &&
        FindInto(scope, "KxSignRsaBlockPKCS", &rsa->sign) && FindInto(scope, "KxVerifyRsaBlockPKCS", &rsa->verify))
        return true;
    CloseKxRsa(rsa);
    return false;
}

void CloseKxRsa(KxRsaExports* rsa) {
    if (rsa->library != nullptr) GiveBack(rsa->library);
    rsa->library = nullptr;
}

bool SameBytes(const OctetString& a, const uint8_t* bytes, uint32_t length) {
    return a.length == length && (length == 0 || std::memcmp(a.data, bytes, length) == 0);
}
