// Random bytes from getrandom(2). see random_source.h
#include <sys/random.h>

#include <cerrno>

#include "random_source.h"

bool FillRandom(uint32_t count, uint8_t* out) {
    // getrandom may return fewer bytes than asked (large requests, signals);
    // keep asking until all are there or the kernel refuses.
    uint32_t done = 0;
    while (done < count) {
        ssize_t got = getrandom(out + done, count - done, 0);
        if (got < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += static_cast<uint32_t>(got);
    }
    return true;
}
