// key_oracle.h: GMP's verdict on a whole generated key.
#ifndef KXRSA_TESTS_KEY_ORACLE_H
#define KXRSA_TESTS_KEY_ORACLE_H

#include <gmpxx.h>
#include <gtest/gtest.h>

// The components in the library's order d, e, n, p, q, dP, dQ, qInv:
// n = pq, p > q, both prime (GMP, 50 rounds), neither p - 1 nor q - 1 a
// multiple of 65537, e·d = 1 and d < lcm(p - 1, q - 1), dP = d mod (p - 1),
// dQ = d mod (q - 1), qInv·q = 1 mod p with qInv < p.
inline void ExpectKeyHolds(const mpz_class (&c)[8]) {
    const mpz_class &d = c[0], &e = c[1], &n = c[2], &p = c[3], &q = c[4], &dP = c[5], &dQ = c[6], &qInv = c[7];
    const mpz_class p1 = p - 1, q1 = q - 1;
    mpz_class lambda;
    mpz_lcm(lambda.get_mpz_t(), p1.get_mpz_t(), q1.get_mpz_t());
    EXPECT_EQ(n, p * q);
    EXPECT_GT(p, q);
    EXPECT_TRUE(mpz_probab_prime_p(p.get_mpz_t(), 50) != 0 && mpz_probab_prime_p(q.get_mpz_t(), 50) != 0);
    EXPECT_TRUE(p1 % 65537 != 0 && q1 % 65537 != 0);
    EXPECT_EQ(mpz_class(e * d % lambda), 1);
    EXPECT_LT(d, lambda);
    EXPECT_TRUE(dP == d % p1 && dQ == d % q1);
    EXPECT_TRUE(qInv < p && qInv * q % p == 1);
}

#endif
