// rsa.h: the RSA private-key operations: the CRT core behind KxUnsealRsaBlock
// and the blinding around it behind KxUnsealRsaBlockBlinding and
// KxUnsealRsaBlockBlinding2 (the exports themselves are declared in kxrsa.h).
//
// Every integer here is a working BigNum sized once from the modulus length L:
// w = ceil(L / 4) words. Every record is released, cleared, on every path.
// Nothing is constant-time: timing depends on the key and the input values.
#ifndef KXRSA_RSA_RSA_H
#define KXRSA_RSA_RSA_H

#include <cstdint>

#include "bignum.h"
#include "bn_release.h"
#include "kxrsa.h"

// ---------------------------------------------------------------------------
// Arguments and the private-key work area
// ---------------------------------------------------------------------------

// The caller's records of one private-key call, in the exports' order. e is
// null for the exports that take no public exponent.
struct PrivateKeyArgs {
    const OctetString* d;
    const OctetString* e;
    const OctetString* n;
    const OctetString* p;
    const OctetString* q;
    const OctetString* dP;
    const OctetString* dQ;
    const OctetString* qInv;
    const OctetString* input;
    OctetString* output;
};

// ArePrivateKeyArgsValid: the argument rules shared by the three exports, all
//   answered by 99: every record and its data present (e too when hasE), in
//   argument order; 64 <= L <= 256 for the modulus length L; every other input
//   at most L bytes; and n, p, q not zero in value (a zero modulus or prime
//   would divide by zero). The zero test reads the bytes only: leading zero
//   octets still count towards every record's length. Cannot fail otherwise.
bool ArePrivateKeyArgsValid(const PrivateKeyArgs& args, bool hasE);

// The sixteen working integers of one private-key call. The thirteen of w + 1
// words hold the converted arguments and the half-size results; H, V and W
// (2w words) the products of the recombination. The member guard releases,
// cleared, every record that was allocated, whatever the path out.
struct PrivateKeyWork {
    BigNum D{}, N{}, P{}, Q{}, DP{}, DQ{}, QINV{}, IN{};
    BigNum T1{}, T2{}, M1{}, M2{}, M{};
    BigNum H{}, V{}, W{};
    BnRelease release{&D, &N, &P, &Q, &DP, &DQ, &QINV, &IN, &T1, &T2, &M1, &M2, &M, &H, &V, &W};
};

// AllocPrivateKeyWork: allocates the thirteen records of w + 1 words (in
//   declaration order), then H, V and W of 2w words, and converts d, n, p, q,
//   dP, dQ, qInv and c into D .. IN (empty records give zero). N keeps
//   used = w, leading zero octets included, until something reduces by it: the
//   blinding factor is sized from it. -1 when an allocation fails (the records
//   already allocated stay for the guard). args must have passed validation.
int32_t AllocPrivateKeyWork(const PrivateKeyArgs& args, uint32_t w, PrivateKeyWork* k);

// CrtCore: M = IN^d mod n by the CRT from P, Q, DP, DQ, QINV, recombined with
//   the two idempotents qInv·q (1 mod p, 0 mod q) and n + 1 - qInv·q (0 mod p,
//   1 mod q), so every intermediate stays non-negative. IN may be any size up
//   to w + 1 words (it need not be below n). Writes T1, T2, M1, M2, H, V, W, M;
//   normalises N, P, Q and IN in place. -1 when a temporary cannot be
//   allocated. For an inconsistent key (qInv >= p) the result is wrong but the
//   call still ends in order.
int32_t CrtCore(PrivateKeyWork* k);

// ---------------------------------------------------------------------------
// Blinding
// ---------------------------------------------------------------------------

// UnsealBlindedCore: the blinded operation behind both blinded exports, after
//   the entry gate: error check (null: -1, nothing written; else 0 stored),
//   validation (99), the sixteen records, R, E from args.e (when hasE) or
//   derived, IN = c·R^E mod n, the CRT core, M = M·R^-1 mod n, the result in
//   minimal big-endian form into args.output->data. On success *outputLength
//   is its length and the caller's records are otherwise untouched; any
//   failure after validation stores 62 and writes no output byte.
int32_t UnsealBlindedCore(const PrivateKeyArgs& args, bool hasE, uint32_t* outputLength,
                          uint32_t* error);

// DrawBlindingFactor: allocates R with capacity N.used and fills it with
//   4·N.used random bytes (BnRandom), normalised. R is neither reduced modulo
//   n nor tested for invertibility. -1 on allocation or generator failure;
//   the generator's own code is not passed on. R MUST be unallocated.
int32_t DrawBlindingFactor(BigNum* R, const BigNum* N);

// DerivePublicExponent: E = d^-1 mod (p - 1)(q - 1), allocated here with
//   capacity N.used + 1 (left for the caller to release, also on failure).
//   No check that gcd(d, (p - 1)(q - 1)) = 1: for a consistent key it is.
//   p, q >= 1; D is only read. -1 on allocation failure.
int32_t DerivePublicExponent(const BigNum* P, const BigNum* Q, BigNum* D, const BigNum* N, BigNum* E);

// BlindInput: IN = IN·(R^E mod n) mod n, the power from BlindingPower. R
//   may exceed n. IN capacity >= N.used. Normalises IN, E, N, P, Q and QINV
//   in place. -1 on allocation failure.
int32_t BlindInput(PrivateKeyWork* k, const BigNum* R, BigNum* E);

// BlindingPower: S = R^E mod n, exactly BnModExp(R, E, N) for every R and E.
//   When IsFactorisationConsistent holds it is formed from R^E mod p and
//   R^E mod q (the whole E each time) by the CRT, else by BnModExp modulo n.
//   S capacity >= N.used, distinct from the inputs. -1 on allocation failure.
int32_t BlindingPower(const BigNum* R, BigNum* E, PrivateKeyWork* k, BigNum* S);

// IsFactorisationConsistent: *consistent = p > 1, q > 1, n = p·q as integers
//   and q·qInv = 1 (mod p); then p and q are coprime (prime or not) and the
//   CRT is exact modulo n. Normalises N, P, Q and QINV in place. -1 on
//   allocation failure.
int32_t IsFactorisationConsistent(BigNum* N, BigNum* P, BigNum* Q, BigNum* QINV, bool* consistent);

// UnblindResult: X = X·R^-1 mod n, the inverse from the extended Euclid
//   (its sign folded into [0, n)). R not invertible modulo n gives a wrong
//   result, not a failure. X, R, N distinct; X capacity >= N.used. R is
//   only read; N is normalised in place. -1 on allocation failure.
int32_t UnblindResult(BigNum* X, BigNum* R, BigNum* N);

#endif  // KXRSA_RSA_RSA_H
