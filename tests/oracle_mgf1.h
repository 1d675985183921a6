// oracle_mgf1.h: MGF1 written again for the tests, so that a fault in the
// library's Mgf1 cannot cancel out in a block test. The digests come from
// OpenSSL on Linux; on Windows, where the tests have no OpenSSL, from the
// sibling libraries' exports (bcrypt there), called directly.
#ifndef KXRSA_TESTS_ORACLE_MGF1_H
#define KXRSA_TESTS_ORACLE_MGF1_H

#include "kxfamily.h"
#if defined(_WIN32)
#include <gtest/gtest.h>

#include "test_records.h"
#else
#include "test_support.h"
#endif

// One digest of `input` into `digest` by an implementation outside libkxrsa.
// OpenSSL has no MD2: that one always comes from the kxcore sibling.
inline void OracleDigest(uint32_t hashIndex, const Bytes& input, Bytes* digest) {
    digest->assign(HashLengthOf(hashIndex), 0);
    uint8_t scratch[1024];
    uint32_t error = 0;
#if !defined(_WIN32)
    if (hashIndex != KxHashMd2) {
        unsigned int size = 0;
        EXPECT_EQ(EVP_Digest(input.data(), input.size(), digest->data(), &size, MdOf(hashIndex), nullptr), 1);
        return;
    }
#endif
    using Digest = int32_t (*)(uint32_t, const uint8_t*, uint8_t*, uint32_t, uint8_t*, uint32_t*);
    static const Digest kSiblings[] = {KxDigestMd2Block,    KxDigestMd5Block,    KxDigestSHA1Block,
                                       KxDigestSHA256Block, KxDigestSHA384Block, KxDigestSHA512Block};
    const uint32_t mode = hashIndex <= KxHashSha1 ? 3 : 4;
    EXPECT_NE(kSiblings[hashIndex](uint32_t(input.size()), input.data(), digest->data(), mode, scratch, &error), -1);
}

// `length` bytes of Hash(seed || C) for C = 0, 1, ... as four big-endian bytes.
inline Bytes OracleMgf1(uint32_t hashIndex, const Bytes& seed, size_t length) {
    Bytes mask, digest;
    for (uint32_t counter = 0; mask.size() < length; ++counter) {
        Bytes input = seed;
        for (int shift = 24; shift >= 0; shift -= 8) input.push_back(uint8_t(counter >> shift));
        OracleDigest(hashIndex, input, &digest);
        mask.insert(mask.end(), digest.begin(), digest.end());
    }
    mask.resize(length);
    return mask;
}

#endif
