// A sibling's JCMVP mode setter that logs its call (see fake_jcmvp_log.h).
// KX_FAKE_SETTER is the setter's name; the setter returns -1 when the
// environment variable KX_FAKE_SETTER_FAIL holds that name, else 0. Linked
// with the real sibling's source whose own setter was renamed away, so the
// double still computes digests and random bytes.
#include <cstdint>
#include <cstring>

#include "fake_jcmvp_log.h"

#define FAKE_STRINGIFY2(x) #x
#define FAKE_STRINGIFY(x) FAKE_STRINGIFY2(x)

extern "C" __attribute__((visibility("default"))) int32_t KX_FAKE_SETTER(int32_t mode) {
    const char* name = FAKE_STRINGIFY(KX_FAKE_SETTER);
    fake_jcmvp::Log("%s %d", name, mode);
    return std::strcmp(fake_jcmvp::Setting("KX_FAKE_SETTER_FAIL"), name) == 0 ? -1 : 0;
}
