// ct_mask.h: word masks for decisions taken without branches. A mask is all
// ones (true) or zero (false); the functions here build, combine and apply
// masks with arithmetic only, so their time does not depend on the values.
#ifndef KXRSA_PKCS1_CT_MASK_H
#define KXRSA_PKCS1_CT_MASK_H

#include <cstdint>

// CtOpaque: x, hidden from the optimiser, so that it cannot see a mask as a
//   boolean and turn a selection back into a branch.
inline uint32_t CtOpaque(uint32_t x) {
    __asm__("" : "+r"(x));
    return x;
}

// CtIsZero: all ones when x == 0, else 0.
inline uint32_t CtIsZero(uint32_t x) { return CtOpaque(0u - ((~x & (x - 1)) >> 31)); }
// CtEqual: all ones when a == b, else 0.
inline uint32_t CtEqual(uint32_t a, uint32_t b) { return CtIsZero(a ^ b); }
// CtLess: all ones when a < b (unsigned), else 0.
inline uint32_t CtLess(uint32_t a, uint32_t b) {
    return CtOpaque(static_cast<uint32_t>(0u - ((uint64_t{a} - uint64_t{b}) >> 63)));
}
// CtSelect: a where the mask is all ones, b where it is zero.
inline uint32_t CtSelect(uint32_t mask, uint32_t a, uint32_t b) { return (a & mask) | (b & ~mask); }

#endif  // KXRSA_PKCS1_CT_MASK_H
