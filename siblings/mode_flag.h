// mode_flag.h: the JCMVP mode flag each sibling keeps for its setter.
#ifndef KXFAMILY_MODE_FLAG_H
#define KXFAMILY_MODE_FLAG_H

#include <atomic>
#include <cstdint>

// Records the mode a setter was given; the siblings' work is the same in both modes.
inline int32_t RecordMode(std::atomic<int32_t>& flag, int32_t mode) {
    flag.store(mode);
    return 0;
}

#endif
