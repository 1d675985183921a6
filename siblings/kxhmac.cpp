// libkxhmac.so: only the JCMVP mode setter (kxrsa switches it with the family).
#include <atomic>

#include "kxfamily.h"
#include "mode_flag.h"

namespace {
std::atomic<int32_t> g_mode{0};
}

extern "C" KXFAMILY_API int32_t KxHMACSetJCMVPMode(int32_t mode) { return RecordMode(g_mode, mode); }
