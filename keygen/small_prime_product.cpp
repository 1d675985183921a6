// SmallPrimeProduct: the sieve constant of the prime search.
#include "keygen.h"

namespace {
// Product of the 43 primes 2..191, 250 bits, least significant word first.
// tests/test_keygen.cpp recomputes it with GMP. Not const: BnGcd takes its
// operands by non-const pointer; it only reads a normalised operand.
uint32_t SMALL_PRIME_PRODUCT[8] = {0x8A673A6E, 0x15E3C482, 0xE57CF685, 0xBA0586E2,
                                   0x6AD078C5, 0x872ECCD2, 0xD3CBD21C, 0x024776FF};
}  // namespace

// see keygen.h
BigNum SmallPrimeProduct = {SMALL_PRIME_PRODUCT, 8, 8, 0};
