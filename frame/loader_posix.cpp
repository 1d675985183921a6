// The family loader over dlopen/dlsym/dlclose. see loader.h
#include "loader.h"

#include <dlfcn.h>

#include <cstring>

namespace {
constexpr char MODULE_SUFFIX[] = ".dll";
constexpr char FILE_PREFIX[] = "lib";
constexpr char FILE_SUFFIX[] = ".so";
// Longest family file name: "lib" + module stem + ".so" + NUL fits easily.
constexpr uint32_t FILE_NAME_CAPACITY = 64;
}  // namespace

bool FamilyLibraryFileName(const char* moduleName, char* out, uint32_t capacity) {
    const size_t nameLength = std::strlen(moduleName);
    const size_t suffixLength = sizeof(MODULE_SUFFIX) - 1;
    if (nameLength <= suffixLength || std::strcmp(moduleName + nameLength - suffixLength, MODULE_SUFFIX) != 0)
        return false;
    const size_t stemLength = nameLength - suffixLength;
    const size_t prefixLength = sizeof(FILE_PREFIX) - 1;
    if (prefixLength + stemLength + sizeof(FILE_SUFFIX) > capacity) return false;  // sizeof counts the NUL
    std::memcpy(out, FILE_PREFIX, prefixLength);
    std::memcpy(out + prefixLength, moduleName, stemLength);
    std::memcpy(out + prefixLength + stemLength, FILE_SUFFIX, sizeof(FILE_SUFFIX));
    return true;
}

void* LoadFamilyLibrary(const char* moduleName) {
    char fileName[FILE_NAME_CAPACITY];
    if (!FamilyLibraryFileName(moduleName, fileName, FILE_NAME_CAPACITY)) return nullptr;
    // RTLD_NOW: a library with an unresolved import fails here, not at its
    // first call. RTLD_LOCAL: its symbols must not satisfy anyone else's imports.
    return dlopen(fileName, RTLD_NOW | RTLD_LOCAL);
}

void* FindEntryPoint(void* library, const char* name) { return dlsym(library, name); }

void ReleaseFamilyLibrary(void* library) { dlclose(library); }
