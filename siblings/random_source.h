// random_source.h: the operating system's random generator behind kxrng:
// getrandom(2) on Linux (random_getrandom.cpp), BCryptGenRandom on Windows
// (random_bcrypt.cpp).
#ifndef KXFAMILY_RANDOM_SOURCE_H
#define KXFAMILY_RANDOM_SOURCE_H

#include <cstdint>

// FillRandom: `count` random bytes into `out`; false when the system refuses.
bool FillRandom(uint32_t count, uint8_t* out);

#endif
