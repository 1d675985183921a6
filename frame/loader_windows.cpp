// The family loader over LoadLibraryA/GetProcAddress/FreeLibrary. see loader.h
#include <windows.h>

#include <cstring>

#include "loader.h"

// Windows finds a family library under its module name as it is.
bool FamilyLibraryFileName(const char* moduleName, char* out, uint32_t capacity) {
    const size_t length = std::strlen(moduleName);
    if (length + 1 > capacity) return false;
    std::memcpy(out, moduleName, length + 1);
    return true;
}

// LoadLibraryA resolves every import of the library before it returns and
// adds nothing to anyone else's imports; the standard search order applies
// (the application's folder, the system folders, then PATH).
void* LoadFamilyLibrary(const char* moduleName) { return LoadLibraryA(moduleName); }

void* FindEntryPoint(void* library, const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}

void ReleaseFamilyLibrary(void* library) { FreeLibrary(static_cast<HMODULE>(library)); }
