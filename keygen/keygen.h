// keygen.h: RSA key generation: the small-prime sieve, the Miller-Rabin test,
// Gordon's strong primes and the assembly of a key pair.
//
// Every function here works on BigNum records (bignum.h) and reports 0 for
// success and -1 for failure (memory, the random-byte generator); the export
// KxGenerateRsaKey turns a failure into ErrKeyGeneration. Nothing here is
// constant-time: the search and the test depend on the candidates' values.
#ifndef KXRSA_KEYGEN_KEYGEN_H
#define KXRSA_KEYGEN_KEYGEN_H

#include <cstdint>

#include "bignum.h"

// ---------------------------------------------------------------------------
// Small-prime sieve
// ---------------------------------------------------------------------------

// SmallPrimeProduct: the product of the 43 primes 2..191 (250 bits, 8 words).
//   A candidate coprime to it has no prime factor of 191 or less, so one gcd
//   replaces 43 trial divisions. Shared by every thread and only read: it is
//   normalised, so BnGcd's in-place normalisation never writes it. Passed to
//   BnGcd, which wants a non-const pointer; never give it as a result record.
extern BigNum SmallPrimeProduct;

// ---------------------------------------------------------------------------
// Miller-Rabin test
// ---------------------------------------------------------------------------

// PrimalityWork: the ten working numbers of IsProbablePrime, lent by the
//   caller and reused for every candidate and round. For candidates of at most
//   w words the capacities are (AllocatePrimalityWork gives exactly these):
struct PrimalityWork {
    BigNum d;         // odd part of n - 1: w
    BigNum m;         // n - 1: w
    BigNum a;         // current base: 2w + 1
    BigNum y;         // accumulator of the exponentiation: 2w + 1
    BigNum step;      // distance between bases: 2w + 1
    BigNum product;   // every product or square (and the sieve's gcd): 4w + 1
    BigNum quotient;  // quotient scratch of every reduction: 3w + 1
    BigNum cube;      // a^3 mod n, the one table entry: 3w + 1
    BigNum cross;     // squaring scratch (BnSquareWithScratch): 2w
    BigNum limbs;     // squaring scratch: 2w
};

// AllocatePrimalityWork: allocates the ten numbers above for candidates of
//   up to w words, in the listed order. -1 when one allocation fails; the
//   caller releases those allocated (their words are not null), e.g. by
//   naming all ten in a BnRelease given before this call.
int32_t AllocatePrimalityWork(uint32_t w, PrimalityWork* work);

// IsProbablePrime: Miller-Rabin with k rounds; *verdict = 1 (probably prime)
//   or 0 (composite). The bases are not random but 2, 2 + c, ..., 2 + (R-1)c
//   with c = floor((n - 2) / R), evenly spread over 2..n-1, so the answer is a
//   function of n alone. R = k, except R = n - 2 when n is one word below
//   k + 2 (n = 5: bases 2, 3, 4). n = 2 and 3 are prime; n below 2 and even
//   n above 2 are composite without a round.
//   n: normalised, non-negative, at most w words for the w that `work` was
//   allocated for; only read (BnDivMagnitude shifts it and restores it).
//   Each a^d mod n runs in `work` in 2-bit windows, left to right, with a^3
//   as the only table entry; no record is allocated here except BnAdd's
//   temporary.
//   -1 when such a temporary could not be allocated (verdict meaningless).
int32_t IsProbablePrime(BigNum* n, uint32_t k, uint32_t* verdict, PrimalityWork* work);

// kMillerRabinRounds: the round count of every test in the prime search.
constexpr uint32_t kMillerRabinRounds = 25;

// ---------------------------------------------------------------------------
// Strong primes (Gordon's construction)
// ---------------------------------------------------------------------------

// StrongPrimeFactors: the auxiliary primes of one strong prime p:
//   r | p - 1, s | p + 1, t | r - 1.
struct StrongPrimeFactors {
    BigNum* r;  // each needs a capacity of at least L/8 + 1 words
    BigNum* s;
    BigNum* t;
};

// GenerateStrongPrimeWithFactors: a prime p of exactly L bytes by Gordon's
//   construction, with s and t of L/4 bytes, r of L/2 bytes, r = 1 mod 2t,
//   p = 1 mod r, p = -1 mod s; each passed the sieve and 25 Miller-Rabin
//   rounds. Random numbers are drawn by BnRandom in the order s, t, r, p; a
//   number that leaves its byte length (or, for p, is not positive) is drawn
//   again alone. L must be a positive multiple of 16 (the marker bits sit in
//   whole words, so no other length can come out): otherwise -1 at once.
//   On success p is copied into `out` (BnCopy; ceil(L/4) + 1 words always
//   hold it) and, when `factors` is not null, r, s and t into its records.
//   -1 on an allocation or generator failure; `out` and `factors` unwritten.
//   Every working number is allocated once per call and released, cleared.
int32_t GenerateStrongPrimeWithFactors(uint32_t L, BigNum* out, StrongPrimeFactors* factors);

// GenerateStrongPrime: GenerateStrongPrimeWithFactors without the factors.
int32_t GenerateStrongPrime(uint32_t L, BigNum* out);

// ---------------------------------------------------------------------------
// Key pair
// ---------------------------------------------------------------------------

// IsKeyLengthAccepted: modulusLength 64..256 whose half (rounded down) is a
//   multiple of 16 bytes, the only lengths for which the prime search ends:
//   64, 65, 96, 97, ..., 224, 225 and 256.
bool IsKeyLengthAccepted(uint32_t modulusLength);

// GenerateRsaKeyPair: the work of KxGenerateRsaKey after its entry gate
//   (kxrsa.h documents the arguments, lengths and buffers). error null: -1,
//   nothing written; else *error = 0, then the argument rules in the order
//   modulusLength (IsKeyLengthAccepted), exponentLength 1..modulusLength as
//   unsigned and not equal to an odd modulusLength, null records, null data
//   (99, before any allocation); then attempts until one gives every
//   component its full length. Each attempt allocates its thirteen numbers,
//   draws p, q and a random exponent (in that order), and writes all eight
//   components into the records' buffers with BnToOctets, which also sets the
//   records' lengths: the export passes copies of the caller's records.
//   301 on any failure inside an attempt (allocation, generator, arithmetic),
//   with every number released, cleared.
int32_t GenerateRsaKeyPair(uint32_t modulusLength, int32_t exponentLength, OctetString* d, OctetString* e,
                           OctetString* n, OctetString* p, OctetString* q, OctetString* dP, OctetString* dQ,
                           OctetString* qInv, uint32_t* error);

#endif  // KXRSA_KEYGEN_KEYGEN_H
