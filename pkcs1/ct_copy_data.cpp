// CtCopyData: the data at the end of a decoded block to the output's front,
// in time that depends on the public lengths only.
#include "ct_mask.h"
#include "pkcs1.h"

// see pkcs1.h
void CtCopyData(uint8_t* area, uint32_t length, uint32_t dataLength, uint32_t valid, uint8_t* out,
                uint32_t outCapacity) {
    // The data is the last dataLength bytes of the area: move it to the front
    // by length - dataLength places, one pass per bit of that distance, each
    // pass over the whole area and moving or not by a mask.
    const uint32_t shift = length - dataLength;
    for (uint32_t step = 1; step != 0 && step <= length; step <<= 1) {
        const uint8_t move = static_cast<uint8_t>(~CtIsZero(shift & step));
        for (uint32_t i = 0; i + step < length; ++i)
            area[i] = static_cast<uint8_t>((area[i + step] & move) | (area[i] & ~move));
    }
    // Into the output where valid and within the data; every other byte of
    // the output is written back as it was.
    const uint32_t span = outCapacity < length ? outCapacity : length;
    for (uint32_t i = 0; i < span; ++i) {
        const uint8_t take = static_cast<uint8_t>(valid & CtLess(i, dataLength));
        out[i] = static_cast<uint8_t>((area[i] & take) | (out[i] & ~take));
    }
}
