// Loading kxrsa.dll from a scenario folder (tests/windows/windows_tests.cmake):
// its siblings are load-time imports, so a missing one, or a kxrng.dll without
// export number 1, makes the load itself fail. LOAD_WITH_ALTERED_SEARCH_PATH
// makes Windows look for the imports in kxrsa.dll's own folder first, and
// this program imports no family DLL that could stand in. A failed load may
// leave the siblings it found loaded, so each process tries one scenario.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "kxrsa.h"

namespace {

std::string KxRsaIn(const char* scenario) {
    const std::string path = std::string(KX_SCENARIOS_DIR) + "/" + scenario + "/kxrsa.dll";
    char full[MAX_PATH];
    const DWORD length = GetFullPathNameA(path.c_str(), MAX_PATH, full, nullptr);
    return length > 0 && length < MAX_PATH ? std::string(full) : path;
}

HMODULE LoadKxRsa(const char* scenario) {
    return LoadLibraryExA(KxRsaIn(scenario).c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

const IMAGE_NT_HEADERS* Headers(HMODULE module) {
    const BYTE* base = reinterpret_cast<const BYTE*>(module);
    return reinterpret_cast<const IMAGE_NT_HEADERS*>(base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
}

// The address the loader bound `module`'s import of export number `ordinal`
// of `dll` to, or null when the module has no such import.
void* BoundImport(HMODULE module, const char* dll, WORD ordinal) {
    const BYTE* base = reinterpret_cast<const BYTE*>(module);
    const IMAGE_DATA_DIRECTORY& imports = Headers(module)->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    for (auto* d = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress); d->Name != 0; ++d) {
        if (_stricmp(reinterpret_cast<const char*>(base + d->Name), dll) != 0) continue;
        auto* wanted = reinterpret_cast<const IMAGE_THUNK_DATA*>(base + d->OriginalFirstThunk);
        auto* bound = reinterpret_cast<const IMAGE_THUNK_DATA*>(base + d->FirstThunk);
        for (; wanted->u1.Ordinal != 0; ++wanted, ++bound)
            if (IMAGE_SNAP_BY_ORDINAL(wanted->u1.Ordinal) && IMAGE_ORDINAL(wanted->u1.Ordinal) == ordinal)
                return reinterpret_cast<void*>(bound->u1.Function);
    }
    return nullptr;
}

bool Inside(HMODULE module, const void* address) {
    const BYTE* base = reinterpret_cast<const BYTE*>(module);
    const BYTE* at = static_cast<const BYTE*>(address);
    return module != nullptr && at >= base && at < base + Headers(module)->OptionalHeader.SizeOfImage;
}

// Wine binds an import it cannot resolve to a stub of its own instead of
// failing the load, as Windows does.
bool OnWine() { return GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr; }

TEST(LoadKxRsa, WholeFamilyLoadsAndRuns) {
    HMODULE kxrsa = LoadKxRsa("load-complete");
    ASSERT_NE(kxrsa, nullptr) << "error " << GetLastError() << " loading " << KxRsaIn("load-complete");
    for (const char* name : {"KxSealRsaBlock", "KxUnsealRsaBlock", "KxUnsealRsaBlockBlinding", "KxUnsealRsaBlockBlinding2",
                             "KxGenerateRsaKey", "KxSealRsaBlockPKCS", "KxUnsealRsaBlockPKCS", "KxSignRsaBlockPKCS",
                             "KxVerifyRsaBlockPKCS", "KxRsaSetJCMVPMode"})
        EXPECT_NE(GetProcAddress(kxrsa, name), nullptr) << name;
    // The generator and SHA-1 have no names, only their export number 1.
    HMODULE rng = GetModuleHandleA("kxrng.dll"), sha1 = GetModuleHandleA("kxsha1.dll");
    ASSERT_TRUE(rng != nullptr && sha1 != nullptr);
    EXPECT_EQ(GetProcAddress(rng, "KxRngGenerate"), nullptr);
    EXPECT_EQ(GetProcAddress(sha1, "KxDigestSHA1Block"), nullptr);
    void* generator = reinterpret_cast<void*>(GetProcAddress(rng, MAKEINTRESOURCEA(1)));
    void* sha1Digest = reinterpret_cast<void*>(GetProcAddress(sha1, MAKEINTRESOURCEA(1)));
    EXPECT_TRUE(generator != nullptr && sha1Digest != nullptr);
    EXPECT_EQ(BoundImport(kxrsa, "kxrng.dll", 1), generator);
    EXPECT_EQ(BoundImport(kxrsa, "kxsha1.dll", 1), sha1Digest);
    // One call through the loaded export: 3^3 mod 65 = 27 (the modulus padded to 64 bytes).
    auto seal = reinterpret_cast<decltype(&KxSealRsaBlock)>(reinterpret_cast<void*>(GetProcAddress(kxrsa, "KxSealRsaBlock")));
    uint8_t e = 3, x = 3, n[64] = {}, out[64] = {};
    n[63] = 65;
    OctetString E{&e, 1}, N{n, 64}, X{&x, 1}, Out{out, 0};
    uint32_t error = 99;
    EXPECT_TRUE(seal(&E, &N, &X, &Out, &error) == 0 && error == 0 && Out.length == 1 && out[0] == 27);
    FreeLibrary(kxrsa);
}

// The scenario folder named by KX_LOAD_SCENARIO lacks one sibling.
TEST(LoadKxRsa, MissingSiblingFailsTheLoad) {
    const char* scenario = std::getenv("KX_LOAD_SCENARIO");
    ASSERT_NE(scenario, nullptr);
    HMODULE kxrsa = LoadKxRsa(scenario);
    EXPECT_EQ(kxrsa, nullptr) << scenario;
    if (kxrsa != nullptr) FreeLibrary(kxrsa);
}

TEST(LoadKxRsa, GeneratorWithoutExportNumberOneFailsTheLoad) {
    HMODULE kxrsa = LoadKxRsa("load-rng-no-ordinal");
    if (kxrsa != nullptr && OnWine()) {
        // The load went through, but the generator is not bound into kxrng.dll.
        HMODULE rng = GetModuleHandleA("kxrng.dll");
        EXPECT_NE(rng, nullptr);
        EXPECT_FALSE(Inside(rng, BoundImport(kxrsa, "kxrng.dll", 1)));
        EXPECT_NE(BoundImport(kxrsa, "kxrng.dll", 1), nullptr);
        FreeLibrary(kxrsa);
        GTEST_SKIP() << "Wine loads a DLL whose import is missing; checked that the import stays unbound";
    }
    EXPECT_EQ(kxrsa, nullptr);
    if (kxrsa != nullptr) FreeLibrary(kxrsa);
}

}  // namespace
