// loader.h: the platform's dynamic loader behind the family's library names.
// Private to frame/: the JCMVP switch is the only code that loads a library
// at run time, and nothing else in kxrsa knows the platform. One definition
// per platform: loader_posix.cpp (dlopen), loader_windows.cpp (LoadLibraryA).
#ifndef KXRSA_FRAME_LOADER_H
#define KXRSA_FRAME_LOADER_H

#include <cstdint>

// FamilyLibraryFileName: the file name under which this platform finds the
//   family library known by its module name: "kxjcmvp.dll" -> "libkxjcmvp.so"
//   on Linux, the module name itself on Windows.
//   Writes the NUL-terminated name into `out` (`capacity` bytes). Returns
//   false, writing nothing usable, when the file name would not fit or (on
//   Linux) the name does not end in ".dll" or has nothing before it.
bool FamilyLibraryFileName(const char* moduleName, char* out, uint32_t capacity);

// LoadFamilyLibrary: loads the library named by its module name ("kxhmac.dll")
//   with every symbol bound now and none added to the global scope, found by
//   the platform's ordinary search path (LD_LIBRARY_PATH, then kxrsa's
//   RUNPATH; on Windows the standard DLL search order). Returns
//   the handle, or null when the name cannot be mapped or the load fails.
void* LoadFamilyLibrary(const char* moduleName);

// FindEntryPoint: the address of the exported function `name` in `library`,
//   or null when it is not there.
void* FindEntryPoint(void* library, const char* name);

// ReleaseFamilyLibrary: gives back one load of `library`; the platform unloads
//   it when no load is left. The result is not reported.
void ReleaseFamilyLibrary(void* library);

#endif  // KXRSA_FRAME_LOADER_H
