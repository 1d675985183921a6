// The branch-free decoders of encryption blocks against today's decoders
// (reference_decoders.cpp): the same result, error location, output length
// and output bytes for malformed-block tables, the Wycheproof decryption
// vectors, random blocks of every hash at 512 to 2048 bits, and every
// allocation failure.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <nlohmann/json.hpp>
#include <random>

#include "heap.h"
#include "oracle_mgf1.h"
#include "pkcs1.h"
#include "reference_decoders.h"
#include "test_support.h"

namespace {

struct Outcome {
    int32_t rc;
    uint32_t error, length;
    Bytes out;
    bool operator==(const Outcome&) const = default;
};

// One decoder on one block (k from the caller, the block's length as given),
// the output buffer max(k, capacity) bytes of a pattern.
Outcome Decode(bool reference, uint32_t scheme, const Bytes& block, uint32_t k, uint32_t capacity) {
    Outcome o{0, 0x5A5A5A5A, 0, Pattern(std::max(k, capacity), 77)};
    OctetString in{const_cast<uint8_t*>(block.data()), uint32_t(block.size())}, out{o.out.data(), capacity};
    if (scheme == KxSchemeV15Encryption)
        o.rc = (reference ? ReferenceDecodeV15Encryption : DecodeV15Encryption)(&in, &out, k);
    else
        o.rc = (reference ? ReferenceDecodeOaep : DecodeOaep)(scheme, &in, nullptr, &out, k, &o.error);
    o.length = out.length;
    return o;
}

// Both decoders agree; returns the reference's result.
int32_t ExpectSame(uint32_t scheme, const Bytes& block, uint32_t k, uint32_t capacity) {
    const Outcome want = Decode(true, scheme, block, k, capacity), got = Decode(false, scheme, block, k, capacity);
    EXPECT_TRUE(want == got) << "scheme " << scheme << ", k " << k << ", capacity " << capacity << ", rc "
                             << want.rc << " / " << got.rc << ", length " << want.length << " / " << got.length
                             << ", block " << ToHex(block);
    return want.rc;
}

// 00 02 || psLen non-zero bytes || 00 || data, k bytes (psLen <= k - 3).
Bytes V15Block(uint32_t k, uint32_t psLen, uint32_t seed) {
    Bytes em = Pattern(k, seed);
    em[0] = 0x00, em[1] = 0x02;
    for (uint32_t i = 2; i < 2 + psLen; ++i) em[i] |= 0x01;
    em[2 + psLen] = 0x00;
    return em;
}

// The OAEP block 00 || maskedSeed || maskedDB of a data block DB (k - hLen - 1 bytes).
Bytes OaepBlock(uint32_t h, const Bytes& db, uint32_t seedValue) {
    const uint32_t hLen = HashLengthOf(h);
    const Bytes seed = Pattern(hLen, seedValue), dbMask = OracleMgf1(h, seed, db.size());
    Bytes maskedDb = db;
    for (size_t i = 0; i < db.size(); ++i) maskedDb[i] ^= dbMask[i];
    const Bytes seedMask = OracleMgf1(h, maskedDb, hLen);
    Bytes em{0x00};
    for (uint32_t i = 0; i < hLen; ++i) em.push_back(seed[i] ^ seedMask[i]);
    em.insert(em.end(), maskedDb.begin(), maskedDb.end());
    return em;
}

// DB = lHash || psLen zeros || 01 || data, for a k-byte block (psLen <= k - 2hLen - 2).
Bytes OaepDb(uint32_t h, uint32_t k, uint32_t psLen, uint32_t seed) {
    const uint32_t hLen = HashLengthOf(h);
    Bytes db = Pattern(k - hLen - 1, seed);
    uint32_t error = 0;
    EXPECT_NE(SchemeDigest(KxSchemeOaep + h, 0, nullptr, db.data(), &error), -1);
    std::fill(db.begin() + hLen, db.begin() + hLen + psLen, 0x00);
    db[hLen + psLen] = 0x01;
    return db;
}

}  // namespace

// Every check of the v1.5 decoder failing alone or together with others, at
// the smallest and usual lengths, with the output's capacity around k - 11.
TEST(Decoders, V15MalformedBlocks) {
    int valid = 0;
    for (uint32_t k : {0u, 1u, 2u}) ExpectSame(0, Bytes(k, 0), k, k);
    for (uint32_t k : {3u, 10u, 11u, 12u, 19u, 64u, 129u, 256u}) {
        for (uint32_t psLen : {0u, 1u, 2u, 3u, 4u, 5u, 6u, 7u, 8u, 9u, 10u, 11u, 20u, k - 3}) {
            if (psLen + 3 > k) continue;
            for (int edit = 0; edit < 6; ++edit) {
                Bytes em = V15Block(k, psLen, k + psLen);
                if (edit == 1) em[0] = 0x01;
                if (edit == 2) em[1] = 0x01;       // a signature block's type
                if (edit == 3) em[1] = 0x00;
                if (edit == 4) std::replace(em.begin() + 2, em.end(), uint8_t{0}, uint8_t{0x42});  // no separator
                if (edit == 5) em[k - 1] = 0x00;   // a second zero: the first still decides
                for (uint32_t capacity : {k - 12, k - 11, k - 1, k}) {
                    if (capacity > k) continue;
                    valid += ExpectSame(0, em, k, capacity) == kBlockOk;
                }
                if (k >= 2) ExpectSame(0, Bytes(em.begin(), em.end() - 1), k, k);  // a block of k - 1 bytes
            }
        }
    }
    EXPECT_GT(valid, 100);
}

// Every OAEP check failing alone, for every hash, at and around the smallest k.
TEST(Decoders, OaepMalformedBlocks) {
    int valid = 0;
    for (uint32_t h = KxHashMd2; h <= KxHashSha512; ++h) {
        const uint32_t hLen = HashLengthOf(h), minK = 2 * hLen + 2, scheme = KxSchemeOaep + h;
        ExpectSame(scheme, Bytes(minK - 1, 0), minK - 1, minK - 1);
        for (uint32_t k : {minK, minK + 1, 128u, 256u}) {
            if (k < minK) continue;
            const uint32_t maxData = k - minK;
            for (uint32_t psLen : {0u, 1u, maxData / 2, maxData}) {
                if (psLen > maxData) continue;
                for (int edit = 0; edit < 7; ++edit) {
                    Bytes db = OaepDb(h, k, psLen, k + psLen);
                    if (edit == 1) db[hLen / 2] ^= 0x10;                         // lHash differs
                    if (edit == 2) std::fill(db.begin() + hLen, db.end(), 0x00);  // no 01
                    if (edit == 3) db[hLen + psLen] = 0x02;                      // not 01 after the zeros
                    if (edit == 4) db[hLen + psLen] = 0xFF;
                    if (edit == 5) std::fill(db.begin() + hLen, db.end() - 1, 0x00);  // 01 last: no data
                    Bytes em = OaepBlock(h, db, k ^ psLen);
                    if (edit == 6) em[0] = 0x80;
                    valid += ExpectSame(scheme, em, k, k) == kBlockOk;
                    if (edit == 0) ExpectSame(scheme, Bytes(em.begin(), em.end() - 1), k, k);  // block too short
                }
            }
        }
    }
    EXPECT_GT(valid, 100);
}

// Random blocks, valid and invalid, every hash, k from 64 to 256 bytes: valid
// blocks with one byte changed anywhere, and blocks of random bytes.
TEST(Decoders, RandomBlocks) {
    std::mt19937 random(16);
    auto below = [&](uint32_t n) { return uint32_t(random() % n); };
    int valid = 0, invalid = 0;
    for (uint32_t k : {64u, 65u, 100u, 128u, 192u, 255u, 256u}) {
        for (int i = 0; i < 300; ++i) {
            const int mode = below(3);  // 0 valid, 1 a byte changed, 2 random bytes
            Bytes em = V15Block(k, 8 + below(k - 10), random());
            if (mode == 1) em[below(k)] = uint8_t(random());
            if (mode == 2) em = Pattern(k, random()), em[0] = below(4) ? 0 : em[0], em[1] = below(4) ? 2 : em[1];
            (ExpectSame(0, em, k, k - 1 - below(2)) == kBlockOk ? valid : invalid)++;
        }
        for (uint32_t h = KxHashMd2; h <= KxHashSha512; ++h) {
            const uint32_t hLen = HashLengthOf(h);
            if (k < 2 * hLen + 2) continue;
            for (int i = 0; i < 60; ++i) {
                const int mode = below(3);
                Bytes db = OaepDb(h, k, below(k - 2 * hLen - 1), random());
                if (mode == 1) db[below(uint32_t(db.size()))] ^= uint8_t(1 + below(255));
                Bytes em = mode == 2 ? Pattern(k, random()) : OaepBlock(h, db, random());
                if (mode == 2 || below(8) == 0) em[0] = below(2) ? 0 : uint8_t(random());
                (ExpectSame(KxSchemeOaep + h, em, k, k) == kBlockOk ? valid : invalid)++;
            }
            if (testing::Test::HasFailure()) return;
        }
    }
    EXPECT_GT(valid, 1000);
    EXPECT_GT(invalid, 1000);
}

// Every allocation of the OAEP decoder failing in turn: 62 where deciding the
// leading byte first gives it, a format failure with the error location
// untouched where that byte is not zero; nothing leaks.
TEST(Decoders, OaepAllocationFailures) {
    for (uint32_t h : {KxHashSha1, KxHashSha512}) {
        const uint32_t k = 256, scheme = KxSchemeOaep + h;
        const Bytes good = OaepBlock(h, OaepDb(h, k, 5, 1), 2);
        Bytes badLead = good, badHash = OaepBlock(h, OaepDb(h, k, 5, 1), 2);
        badLead[0] = 0x01;
        badHash[1] ^= 0x01;
        HeapTestReset(0);
        ASSERT_EQ(Decode(false, scheme, good, k, k).rc, kBlockOk);
        const uint64_t total = HeapTestAllocations();
        for (const Bytes* em : {&good, static_cast<const Bytes*>(&badLead), static_cast<const Bytes*>(&badHash)}) {
            for (uint64_t n = 1; n <= total; ++n) {
                HeapTestReset(n);
                const Outcome want = Decode(true, scheme, *em, k, k);
                HeapTestReset(n);
                const Outcome got = Decode(false, scheme, *em, k, k);
                EXPECT_EQ(HeapTestLive(), 0);
                HeapTestReset(0);
                EXPECT_TRUE(want == got) << "hash " << h << ", allocation " << n << ", rc " << want.rc << " / "
                                         << got.rc << ", error " << want.error << " / " << got.error;
                EXPECT_EQ(got.rc, em == &good ? kBlockNoMemory : em == &badLead ? kBlockFailed : got.rc);
            }
        }
    }
}

// The Wycheproof decryption vectors: the raw result of each ciphertext (the
// length rule and the raw operation passed), right-aligned in k bytes, with
// the raw result's length as the v1.5 output capacity, as the export passes it.
TEST(Decoders, WycheproofBlocks) {
    int compared = 0;
    for (const char* name : {"rsa_pkcs1v15_decrypt.json", "rsa_oaep_decrypt.json"}) {
        std::ifstream in(std::string(KX_VECTORS_DIR) + "/wycheproof/" + name);
        ASSERT_TRUE(in.good()) << name;
        const nlohmann::json doc = nlohmann::json::parse(in);
        for (const nlohmann::json& t : doc.at("tests")) {
            auto hex = [&](const char* field) { return FromHex(t.at(field).get<std::string>()); };
            const Bytes n = hex("n"), d = hex("d"), p = hex("p"), q = hex("q"), dP = hex("dP"), dQ = hex("dQ"),
                        qInv = hex("qInv"), ct = hex("ct");
            const uint32_t k = uint32_t(n.size());
            if (ct.size() != k) continue;
            Bytes raw(k);
            OctetString rd = Rec(d), rn = Rec(n), rp = Rec(p), rq = Rec(q), rdP = Rec(dP), rdQ = Rec(dQ),
                        rqInv = Rec(qInv), rct = Rec(ct), out = Rec(raw);
            uint32_t error = 0;
            if (KxUnsealRsaBlock(&rd, &rn, &rp, &rq, &rdP, &rdQ, &rqInv, &rct, &out, &error) != 0) continue;
            Bytes block(k);
            StoreLeftPadded(block.data(), k, raw.data(), out.length);
            ExpectSame(t.at("scheme").get<uint32_t>(), block, k, out.length);
            ++compared;
        }
    }
    EXPECT_GT(compared, 100);
}
