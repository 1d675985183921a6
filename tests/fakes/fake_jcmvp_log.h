// fake_jcmvp_log.h: the call log shared by the JCMVP test doubles (the status
// library and the siblings' mode setters). Every call appends one line,
// "Name arg arg ...", to the file named by KX_FAKE_JCMVP_LOG, so a test sees
// the exact order of calls across all the libraries of the process.
#ifndef KXRSA_TESTS_FAKE_JCMVP_LOG_H
#define KXRSA_TESTS_FAKE_JCMVP_LOG_H

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

// The doubles' behaviour switches, read at each call so that a test can set
// them with setenv after the process has started.
namespace fake_jcmvp {

inline const char* Setting(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

inline bool IsSet(const char* name) { return std::strcmp(Setting(name), "1") == 0; }

// Not inline-with-static-state on purpose: a GNU unique symbol would keep the
// double from ever being unloaded, and the tests watch it unload.
inline void Log(const char* format, ...) {
    const char* path = std::getenv("KX_FAKE_JCMVP_LOG");
    if (path == nullptr || *path == '\0') return;
    FILE* file = std::fopen(path, "a");
    if (file == nullptr) return;
    va_list args;
    va_start(args, format);
    std::vfprintf(file, format, args);
    va_end(args);
    std::fputc('\n', file);
    std::fclose(file);
}

}  // namespace fake_jcmvp

#endif
