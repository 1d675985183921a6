// oracle_mgf1.h: MGF1 written again for the tests, over OpenSSL's digests, so
// that a fault in the library's Mgf1 cannot cancel out in a block test.
#ifndef KXRSA_TESTS_ORACLE_MGF1_H
#define KXRSA_TESTS_ORACLE_MGF1_H

#include "kxfamily.h"
#include "test_support.h"

// `length` bytes of Hash(seed || C) for C = 0, 1, ... as four big-endian
// bytes. OpenSSL has no MD2: that one comes from libkxcore.so.
inline Bytes OracleMgf1(uint32_t hashIndex, const Bytes& seed, size_t length) {
    Bytes mask;
    for (uint32_t counter = 0; mask.size() < length; ++counter) {
        Bytes input = seed;
        for (int shift = 24; shift >= 0; shift -= 8) input.push_back(uint8_t(counter >> shift));
        Bytes digest(HashLengthOf(hashIndex));
        unsigned int size = 0;
        uint8_t scratch[1024];
        uint32_t error = 0;
        if (MdOf(hashIndex) != nullptr)
            EXPECT_EQ(EVP_Digest(input.data(), input.size(), digest.data(), &size, MdOf(hashIndex), nullptr), 1);
        else
            EXPECT_NE(KxDigestMd2Block(uint32_t(input.size()), input.data(), digest.data(), 3, scratch, &error), -1);
        mask.insert(mask.end(), digest.begin(), digest.end());
    }
    mask.resize(length);
    return mask;
}

#endif
