// bignum.h: the multi-precision integers of kxrsa.
//
// A BigNum is a sign word beside an unsigned magnitude held as 32-bit words,
// least significant word first. Operations never allocate their results: the
// caller allocates every result record with BnAlloc and the operation copies
// its answer in with BnCopy semantics, silently keeping only the low words when
// the record is too small. Every temporary is released through BnFree, which
// overwrites the words with zeros first.
//
// Invariants every operation keeps:
//   - words from `used` up to `capacity - 1` are zero;
//   - an allocated record has used >= 1; zero is used == 1, words[0] == 0;
//   - arithmetic results are normalised (used == 1 or words[used-1] != 0).
//   BnFromOctets may leave `used` too large (leading zero octets); BnByteLength,
//   BnBitLength and BnDivMagnitude normalise their operand themselves.
//
// Statuses are 0 for success and -1 when a temporary could not be allocated.
// Nothing here is constant-time: timing depends on the values.
#ifndef KXRSA_BIGNUM_BIGNUM_H
#define KXRSA_BIGNUM_BIGNUM_H

#include <cstdint>

#include "kxrsa.h"

struct BigNum {
    uint32_t* words;    // null before allocation and after release
    uint32_t capacity;  // words allocated
    uint32_t used;      // words that carry the value, >= 1 when allocated
    uint32_t sign;      // 0 non-negative, 1 negative
};

// ---------------------------------------------------------------------------
// Records, conversion, comparison and word primitives
// ---------------------------------------------------------------------------

// BnAlloc: allocate `capacity` (>= 1) zeroed words; used = 1, sign = 0.
//   Returns -1 and leaves `a` unchanged when the heap has no memory.
int32_t BnAlloc(uint32_t capacity, BigNum* a);

// BnFree: if capacity > 0, zero every word (stores the optimiser cannot drop),
//   then release them; afterwards words = null, capacity = used = sign = 0.
//   A record never allocated keeps its sign word.
void BnFree(BigNum* a);

// BnZero: all capacity words zero, used = 1, sign = 0.
void BnZero(BigNum* a);

// BnCopy: d = s (value and sign). When d.capacity <= s.used only the low
//   d.capacity words are kept and d.used = d.capacity (no report).
void BnCopy(const BigNum* s, BigNum* d);

// BnByteLength / BnBitLength: significant octets / bits (0 for zero).
//   Normalise a->used in place (conditional form).
void BnByteLength(BigNum* a, uint32_t* length);
void BnBitLength(BigNum* a, uint32_t* length);

// BnIsZero / BnIsOne: the value is 0 / 1 (sign ignored). `a` must be
//   normalised (a record with leading zero words reads as neither).
bool BnIsZero(const BigNum* a);
bool BnIsOne(const BigNum* a);

// BnNormalise: used lowered to the highest non-zero word (1 for zero), the
//   conditional form of BnByteLength and BnBitLength: nothing is scanned when
//   the top used word is non-zero.
void BnNormalise(BigNum* a);

// BnToOctets: minimal big-endian magnitude of `a` into out->data; sets
//   out->length. Takes `used` as it is. Zero writes nothing, length 0.
//   The buffer must hold the octets; not checked.
void BnToOctets(OctetString* out, const BigNum* a);

// BnFromOctets: r = big-endian octets of `in`, sign 0. used = ceil(len / 4),
//   leading zero octets included (an empty string gives zero, used 1).
//   r's capacity must hold the words; not checked.
void BnFromOctets(BigNum* r, const OctetString* in);

// BnCompareMagnitude: 1, 0 or -1 comparing |a| and |b|; decides by `used`
//   first, so operands must be normalised for a meaningful answer.
int32_t BnCompareMagnitude(BigNum a, BigNum b);

// BnAddMagnitude: r = |a| + |b|. r distinct from a and b, zero above the
//   larger operand on entry; a carry past r's capacity is lost.
void BnAddMagnitude(const BigNum* a, const BigNum* b, BigNum* r);

// BnSubMagnitude: r = |a| - |b|, |a| >= |b|. r distinct, zero above a.used.
void BnSubMagnitude(const BigNum* a, const BigNum* b, BigNum* r);

// BnSubWord: r = |a| - w, |a| >= w. r MAY be a.
void BnSubWord(const BigNum* a, uint32_t w, BigNum* r);

// BnWordsAddWord: dst[0..n) = src[0..n) + w; returns the carry out (0 or 1).
//   n >= 1; dst MAY be src.
uint32_t BnWordsAddWord(const uint32_t* src, uint32_t w, uint32_t* dst, uint32_t n);

// BnShiftLeft / BnShiftRight: r = |a| << s, |a| >> s, 1 <= s <= 31.
//   r MAY be a. Left: bits leaving r's capacity are lost; r.capacity >= a.used.
void BnShiftLeft(uint32_t s, const BigNum* a, BigNum* r);
void BnShiftRight(uint32_t s, const BigNum* a, BigNum* r);

// ---------------------------------------------------------------------------
// Magnitude multiplication, division and modular exponentiation
// ---------------------------------------------------------------------------

// BnMulMagnitude: r = |a|·|b|. r zero on entry, capacity >= a.used + b.used,
//   distinct from a and b; r's sign is not written.
void BnMulMagnitude(const BigNum* a, const BigNum* b, BigNum* r);

// BnSquare: r = a², sign 0. r capacity >= 2·a.used and >= 2, distinct from a.
//   A one-word a needs no temporary; otherwise two of r's capacity.
//   -1 when a temporary could not be allocated (r then unwritten).
int32_t BnSquare(const BigNum* a, BigNum* r);

// BnSquareWithScratch: r = a², sign 0, as BnSquare, but with the caller's
//   records x and s (capacity >= 2·a.used each, any content; they keep parts
//   of the square) in place of its temporaries, so it never allocates. r
//   capacity >= 2·a.used and >= 2, distinct from a, x, s, and zero above its
//   used words (as every record keeps it).
void BnSquareWithScratch(const BigNum* a, BigNum* r, BigNum* x, BigNum* s);

// BnDivMagnitude: q = floor(|a| / |b|), r = |a| mod |b|.
//   q MUST be zero on entry, capacity >= a.used - b.used + 1; r capacity must
//   hold a after the normalisation shift (a.used + 1 always suffices).
//   a, b, q, r MUST be four distinct records; a and b are normalised in place
//   and b is shifted in place and restored. b must not be zero.
void BnDivMagnitude(BigNum* a, BigNum* b, BigNum* q, BigNum* r);

// BnDivWord: q = floor(|a| / w), returns |a| mod w. w != 0 (except that a
//   zero one-word a returns 0 without dividing). q capacity >= a.used.
uint32_t BnDivWord(const BigNum* a, uint32_t w, BigNum* q);

// BnModExp: r = base^exponent mod modulus, left to right in 2-bit windows
//   with the cube of the base as the only table entry. Exponent 0 gives 1,
//   unreduced. Exact for every base, also one not below the modulus. r MAY be
//   one of the inputs. The exponent and modulus are normalised in place; the
//   modulus is shifted and restored during each reduction.
//   -1 on allocation failure or a zero modulus (r then unwritten).
int32_t BnModExp(const BigNum* base, BigNum* exponent, BigNum* modulus, BigNum* r);

// BnPowerWork: the records of BnModExpWithWork, lent by the caller. For a
//   modulus of n words: acc, product and cube >= 2n words, quotient >= n + 1,
//   cross and limbs (the squaring's scratch) >= 2n. Six distinct records,
//   distinct from the base and the modulus, zero above their used words.
struct BnPowerWork {
    BigNum* acc;       // the result, below the modulus after each step
    BigNum* product;   // every product before its reduction
    BigNum* quotient;  // quotient scratch, cleared before each division
    BigNum* cube;      // the base cubed mod the modulus, the one table entry
    BigNum* cross;     // squaring scratch
    BigNum* limbs;     // squaring scratch
};

// BnModExpWithWork: acc = g^exponent mod modulus with the schedule of
//   BnModExp, in the lent records, never allocating. g normalised and below
//   the modulus; the modulus normalised and non-zero (shifted and restored
//   during each reduction); the exponent is normalised in place. Exponent 0
//   gives 1, unreduced.
void BnModExpWithWork(const BigNum* g, BigNum* exponent, BigNum* modulus, const BnPowerWork* w);

// BnModSquareWithWork: acc = acc² mod modulus, in the same records.
void BnModSquareWithWork(BigNum* modulus, const BnPowerWork* w);

// ---------------------------------------------------------------------------
// Signed arithmetic: answer formed in a temporary, then BnCopy into r.
// Operands must be normalised. r MAY be either operand (not for BnMulWord's
// rules, see there). The divisions take non-negative operands, b != 0.
// ---------------------------------------------------------------------------

int32_t BnAdd(const BigNum* a, const BigNum* b, BigNum* r);   // r = a + b
int32_t BnSub(const BigNum* a, const BigNum* b, BigNum* r);   // r = a - b
int32_t BnMul(const BigNum* a, const BigNum* b, BigNum* r);   // r = a · b (zero may carry sign 1)

// BnMulWord: r = |a|·w, r's sign not written; word a.used of r always written.
//   r capacity >= a.used + 1; r MAY be a.
void BnMulWord(const BigNum* a, uint32_t w, BigNum* r);

// BnDivide: q = a / b, r = a mod b. r MAY be a; q must be its own record.
//   The three divisions normalise a and b in place first (so the temporaries
//   are sized from the real lengths) and shift b in place during the call.
//   Non-negative operands give results with sign 0.
int32_t BnDivide(BigNum* a, BigNum* b, BigNum* q, BigNum* r);
int32_t BnDiv(BigNum* a, BigNum* b, BigNum* q);               // q = a / b
int32_t BnMod(BigNum* a, BigNum* b, BigNum* r);               // r = a mod b

// BnModMul: Z = A·B mod n for non-negative A, B; Z allocated by the caller and
//   MAY be A or B (the answer is formed in temporaries, then copied, cut to
//   Z's capacity). Normalises N in place. -1 on allocation failure.
int32_t BnModMul(const BigNum* A, const BigNum* B, BigNum* N, BigNum* Z);

// ---------------------------------------------------------------------------
// Greatest common divisor and extended Euclid (non-negative operands)
// ---------------------------------------------------------------------------

// BnGcd: r = gcd(a, b). Normalises a and b in place. When a or b is zero, r is
//   left unchanged and the result is 0.
int32_t BnGcd(BigNum* a, BigNum* b, BigNum* r);

// BnExtendedGcd: g = gcd(a, b) and signed x, y with x·a + y·b = g, from the
//   remainder sequence started at (b, a). x, y, g need capacity
//   max(a.used, b.used) + 1. a = 0: g = b, x = 0, y = 1; b = 0: g = a, x = 1, y = 0.
int32_t BnExtendedGcd(BigNum* a, BigNum* b, BigNum* x, BigNum* y, BigNum* g);

#endif  // KXRSA_BIGNUM_BIGNUM_H
