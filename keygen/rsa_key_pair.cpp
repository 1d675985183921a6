// GenerateRsaKeyPair: the argument rules and the attempts of key generation.
#include "bn_release.h"
#include "family.h"
#include "frame.h"
#include "keygen.h"

namespace {

constexpr uint32_t kFixedExponent = 65537;  // 01 00 01, chosen by exponentLength 3
constexpr uint32_t kFixedExponentLength = 3;

// The thirteen working numbers of one attempt, in their order of allocation,
// each of WordsFor(modulusLength) + 1 words.
struct KeyWork {
    BigNum p, q, n, d, e, dP, dQ, lambda;
    BigNum g;  // gcds, and remainders of the divisibility tests
    BigNum qInv;
    BigNum p1, q1;   // p - 1 and q - 1; q1 first takes the tests' quotients
    BigNum scratch;  // the other coefficient of BnExtendedGcd, (p - 1) / g
};

// The eight output records in the order d, e, n, p, q, dP, dQ, qInv.
struct KeyRecords {
    OctetString* out[8];
};

bool IsOne(const BigNum* x) { return x->used == 1 && x->words[0] == 1; }
bool IsZero(const BigNum* x) { return x->used == 1 && x->words[0] == 0; }

// x - 1 is a multiple of e (65537 here): e would then not be invertible
// modulo lambda. Uses scratch (dividend), q1 (quotient) and g (remainder).
bool IsPredecessorDivisible(const BigNum* x, KeyWork* k) {
    BnSubWord(x, 1, &k->scratch);
    BnZero(&k->q1);
    BnDivMagnitude(&k->scratch, &k->e, &k->q1, &k->g);
    return IsZero(&k->g);
}

// DrawPrimes: p, then q != p, neither with 65537 | x - 1; then p > q.
// Random bytes: everything for p (repeated while rejected), then for q.
int32_t DrawPrimes(uint32_t L, KeyWork* k) {
    do {
        if (GenerateStrongPrime(L, &k->p) != 0) return -1;
    } while (IsPredecessorDivisible(&k->p, k));
    do {
        if (GenerateStrongPrime(L, &k->q) != 0) return -1;
    } while (BnCompareMagnitude(k->p, k->q) == 0 || IsPredecessorDivisible(&k->q, k));
    if (BnCompareMagnitude(k->p, k->q) < 0) {
        BigNum t = k->p;  // same capacity: exchanging the records is enough
        k->p = k->q;
        k->q = t;
    }
    return 0;
}

// ComputeLambda: lambda = lcm(p - 1, q - 1) = (q - 1)·((p - 1) / gcd).
int32_t ComputeLambda(KeyWork* k) {
    BnSubWord(&k->p, 1, &k->p1);
    BnSubWord(&k->q, 1, &k->q1);
    if (BnGcd(&k->p1, &k->q1, &k->g) != 0 || BnDiv(&k->p1, &k->g, &k->scratch) != 0) return -1;
    BnZero(&k->lambda);
    BnMulMagnitude(&k->q1, &k->scratch, &k->lambda);
    return 0;
}

// ChooseRandomExponent: exponentLength random bytes, halved until below
// lambda, made odd, then lowered by 2 until coprime to lambda (e = 1 always
// is). Too short a result fails the acceptance test and the attempt is redone.
int32_t ChooseRandomExponent(uint32_t exponentLength, KeyWork* k) {
    if (BnRandom(exponentLength, &k->e) != 0) return -1;
    while (BnCompareMagnitude(k->lambda, k->e) <= 0) BnShiftRight(1, &k->e, &k->e);
    k->e.words[0] |= 1;
    for (;;) {
        if (BnGcd(&k->lambda, &k->e, &k->g) != 0) return -1;
        if (IsOne(&k->g)) return 0;
        BnSubWord(&k->e, 2, &k->e);
    }
}

// ComputePrivateValues: qInv = q^-1 mod p, d = e^-1 mod lambda, dP, dQ. The
// inverses are the first coefficients of extended Euclid, made positive.
int32_t ComputePrivateValues(KeyWork* k) {
    if (BnExtendedGcd(&k->q, &k->p, &k->qInv, &k->scratch, &k->g) != 0) return -1;
    if (k->qInv.sign != 0 && BnAdd(&k->qInv, &k->p, &k->qInv) != 0) return -1;
    if (BnExtendedGcd(&k->e, &k->lambda, &k->d, &k->scratch, &k->g) != 0) return -1;
    if (k->d.sign != 0 && BnAdd(&k->d, &k->lambda, &k->d) != 0) return -1;
    if (BnMod(&k->d, &k->p1, &k->dP) != 0 || BnMod(&k->d, &k->q1, &k->dQ) != 0) return -1;
    return 0;
}

// One attempt: primes, lambda, exponents, the CRT values, then the
// records. -1 on any failure; otherwise 0 with the
// components written and *accepted telling whether every one has its length.
int32_t RunAttempt(uint32_t modulusLength, uint32_t exponentLength, KeyRecords* records, bool* accepted) {
    const uint32_t c = WordsFor(modulusLength) + 1;
    const uint32_t L = modulusLength / 2;
    KeyWork k{};
    BnRelease release{&k.p,      &k.q, &k.n,    &k.d,  &k.e,  &k.dP,     &k.dQ,
                      &k.lambda, &k.g, &k.qInv, &k.p1, &k.q1, &k.scratch};
    for (uint32_t i = 0; i < release.n; ++i)
        if (BnAlloc(c, release.nums[i]) != 0) return -1;

    k.e.words[0] = kFixedExponent;
    if (DrawPrimes(L, &k) != 0) return -1;
    if (BnMul(&k.p, &k.q, &k.n) != 0 || ComputeLambda(&k) != 0) return -1;
    // With 65537 no gcd is needed: 65537 is prime and divides neither p - 1
    // nor q - 1, so it is coprime to lambda.
    if (exponentLength != kFixedExponentLength && ChooseRandomExponent(exponentLength, &k) != 0) return -1;
    if (ComputePrivateValues(&k) != 0) return -1;

    // Minimal big-endian form into the caller's buffers.
    const BigNum* values[8] = {&k.d, &k.e, &k.n, &k.p, &k.q, &k.dP, &k.dQ, &k.qInv};
    for (uint32_t i = 0; i < 8; ++i) BnToOctets(records->out[i], values[i]);

    // Full lengths only: d as long as n, the CRT values half of n, e as asked.
    OctetString* const* o = records->out;
    const uint32_t half = o[2]->length / 2;
    *accepted = o[0]->length == o[2]->length && o[5]->length == half && o[6]->length == half &&
                o[7]->length == half && o[1]->length == exponentLength;
    return 0;  // the guard releases the thirteen numbers, cleared
}

}  // namespace

// see keygen.h
bool IsKeyLengthAccepted(uint32_t modulusLength) {
    return IsModulusLengthValid(modulusLength) && (modulusLength / 2) % 16 == 0;
}

// see keygen.h
int32_t GenerateRsaKeyPair(uint32_t modulusLength, int32_t exponentLength, OctetString* d, OctetString* e,
                           OctetString* n, OctetString* p, OctetString* q, OctetString* dP, OctetString* dQ,
                           OctetString* qInv, uint32_t* error) {
    if (error == nullptr) return -1;
    *error = 0;

    // Lengths first (a negative exponentLength is a huge unsigned one). An odd
    // modulusLength leaves lambda below 2^(8·(modulusLength - 1)), so an
    // exponent of modulusLength bytes could never be accepted.
    const uint32_t eLength = static_cast<uint32_t>(exponentLength);
    if (!IsKeyLengthAccepted(modulusLength)) return Fail(error, ErrParameter);
    if (eLength < 1 || eLength > modulusLength) return Fail(error, ErrParameter);
    if (modulusLength % 2 == 1 && eLength == modulusLength) return Fail(error, ErrParameter);
    KeyRecords records{{d, e, n, p, q, dP, dQ, qInv}};
    for (OctetString* r : records.out)
        if (r == nullptr) return Fail(error, ErrParameter);
    for (OctetString* r : records.out)
        if (r->data == nullptr) return Fail(error, ErrParameter);

    // Attempts until every component has its full length; not bounded.
    for (;;) {
        bool accepted = false;
        if (RunAttempt(modulusLength, eLength, &records, &accepted) != 0)
            return Fail(error, ErrKeyGeneration);
        if (accepted) return 0;
    }
}
