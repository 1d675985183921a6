// The family's sibling libraries as kxrsa calls them: the digests against
// their published vectors (through the exports and through FamilyDigest), the
// mode setters, the real generator, and BnRandom / DrawRandomBytes under the
// scripted generator (tests/fakes/fake_rng.h; the *FakeRng* tests run in the
// ctest entry test_siblings_fake_rng, the others in test_siblings).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "bignum.h"
#include "bn_release.h"
#include "family.h"
#include "fakes/fake_rng.h"
#include "kxfamily.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes FromHex(const std::string& hex) {
    Bytes out;
    for (size_t i = 0; i + 1 < hex.size(); i += 2) out.push_back(std::stoi(hex.substr(i, 2), nullptr, 16));
    return out;
}

std::string Hex(const uint8_t* p, size_t n) {
    static const char* digits = "0123456789abcdef";
    std::string s;
    for (size_t i = 0; i < n; ++i) s += {digits[p[i] >> 4], digits[p[i] & 15]};
    return s;
}

struct DigestVector {
    std::string where;
    uint32_t hashIndex;
    Bytes message;
    std::string digest;
};

std::string Trim(const std::string& s) {
    size_t b = s.find_first_not_of(" \t\r"), e = s.find_last_not_of(" \t\r");
    return b == std::string::npos ? "" : s.substr(b, e - b + 1);
}

// digests.txt: [Section] in hash-index order, stanzas of Text|Msg, Repeat, Digest.
std::vector<DigestVector> ReadDigestVectors() {
    const std::vector<std::string> sections = {"MD2", "MD5", "SHA1", "SHA256", "SHA384", "SHA512"};
    std::ifstream in(std::string(KX_VECTORS_DIR) + "/digests.txt");
    EXPECT_TRUE(in.good()) << "digests.txt not found";
    std::vector<DigestVector> out;
    std::map<std::string, std::string> fields;
    uint32_t section = 0, lineNo = 0, stanzaLine = 0;
    std::string line;
    auto flush = [&] {
        if (fields.count("Digest")) {
            Bytes one = fields.count("Msg") ? FromHex(fields["Msg"]) : Bytes(fields["Text"].begin(), fields["Text"].end());
            uint32_t repeat = fields.count("Repeat") ? std::stoul(fields["Repeat"]) : 1;
            Bytes message;
            for (uint32_t i = 0; i < repeat; ++i) message.insert(message.end(), one.begin(), one.end());
            out.push_back({"digests.txt:" + std::to_string(stanzaLine), section, message, fields["Digest"]});
        }
        fields.clear();
    };
    while (std::getline(in, line)) {
        ++lineNo;
        line = Trim(line);
        if (line.empty()) { flush(); continue; }
        if (line[0] == '#') continue;
        if (line[0] == '[') {
            flush();
            std::string name = line.substr(1, line.size() - 2);
            section = 0;
            while (section < sections.size() && sections[section] != name) ++section;
            EXPECT_LT(section, sections.size()) << "unknown section " << name;
            continue;
        }
        size_t eq = line.find('=');
        if (fields.empty()) stanzaLine = lineNo;
        fields[Trim(line.substr(0, eq))] = Trim(line.substr(eq + 1));
    }
    flush();
    return out;
}

using DigestFunction = int32_t (*)(uint32_t, const uint8_t*, uint8_t*, uint32_t, uint8_t*, uint32_t*);
struct SiblingDigest {
    DigestFunction function;
    uint32_t mode;
};
// The exports by hash index, with the fourth argument kxrsa passes.
const SiblingDigest SIBLING_DIGESTS[kHashCount] = {
    {KxDigestMd2Block, 3},    {KxDigestMd5Block, 3},    {KxDigestSHA1Block, 3},
    {KxDigestSHA256Block, 4}, {KxDigestSHA384Block, 4}, {KxDigestSHA512Block, 4}};

TEST(Digests, PublishedVectorsThroughExportsAndFamilyDigest) {
    std::vector<DigestVector> vectors = ReadDigestVectors();
    uint32_t perHash[kHashCount] = {};
    for (const DigestVector& v : vectors) {
        SCOPED_TRACE(v.where);
        const uint32_t hLen = DigestHashLength(v.hashIndex);
        ASSERT_EQ(v.digest.size(), 2u * hLen);
        ++perHash[v.hashIndex];

        uint8_t scratch[1024];
        uint8_t digest[64 + 4];
        memset(digest, 0xA5, sizeof digest);
        uint32_t error = 12345;
        const SiblingDigest& s = SIBLING_DIGESTS[v.hashIndex];
        EXPECT_NE(s.function(v.message.size(), v.message.data(), digest, s.mode, scratch, &error), -1);
        EXPECT_EQ(Hex(digest, hLen), v.digest);
        EXPECT_EQ(digest[hLen], 0xA5) << "wrote past the digest";

        memset(digest, 0xA5, sizeof digest);
        EXPECT_NE(FamilyDigest(v.hashIndex, v.message.size(), v.message.data(), digest, &error), -1);
        EXPECT_EQ(Hex(digest, hLen), v.digest);
        EXPECT_EQ(digest[hLen], 0xA5);
    }
    for (uint32_t h = 0; h < kHashCount; ++h) EXPECT_GE(perHash[h], 3u) << "hash index " << h;
}

TEST(Digests, HashLengthsAndIndexOutOfRange) {
    const uint32_t LENGTHS[] = {16, 16, 20, 32, 48, 64, 0, 0};
    for (uint32_t h = 0; h < 8; ++h) EXPECT_EQ(DigestHashLength(h), LENGTHS[h]) << h;
    uint8_t digest[64];
    uint32_t error = 0;
    EXPECT_EQ(FamilyDigest(kHashCount, 3, reinterpret_cast<const uint8_t*>("abc"), digest, &error), -1);
}

TEST(Siblings, ModeSettersRecordAndReturnZero) {
    for (int32_t mode : {1, 0}) {
        EXPECT_EQ(KxCORESetJCMVPMode(mode), 0);
        EXPECT_EQ(KxSHA1SetJCMVPMode(mode), 0);
        EXPECT_EQ(KxSHASetJCMVPMode(mode), 0);
        EXPECT_EQ(KxHMACSetJCMVPMode(mode), 0);
        EXPECT_EQ(KxRngSetJCMVPMode(mode), 0);
    }
}

// ---------------------------------------------------------------------------
// The real generator (run without the stand-in)
// ---------------------------------------------------------------------------

TEST(RealRng, DrawsFreshBytesOfAnySize) {
    if (FakeRng().loaded) GTEST_SKIP() << "the scripted generator is loaded";
    for (uint32_t count : {1u, 32u, 256u, 300000u}) {
        Bytes a(count + 1, 0), b(count + 1, 0);
        uint32_t error = 0;
        ASSERT_EQ(DrawRandomBytes(count, a.data(), &error), 0);
        ASSERT_EQ(DrawRandomBytes(count, b.data(), &error), 0);
        EXPECT_EQ(a[count], 0) << "wrote past the count";
        if (count >= 32) {
            EXPECT_NE(a, b);
            EXPECT_NE(std::count(a.begin(), a.end() - 1, 0), static_cast<long>(count));
        }
    }
    uint32_t error = 7;
    EXPECT_EQ(DrawRandomBytes(0, nullptr, &error), 0);
}

// ---------------------------------------------------------------------------
// The scripted generator (ctest entry test_siblings_fake_rng)
// ---------------------------------------------------------------------------

// A record of `capacity` words filled with 0xFFFFFFFF, used = capacity, sign 1.
struct Dirty {
    explicit Dirty(uint32_t capacity) {
        EXPECT_EQ(BnAlloc(capacity, &r), 0);
        for (uint32_t i = 0; i < capacity; ++i) r.words[i] = 0xFFFFFFFF;
        r.used = capacity;
        r.sign = 1;
    }
    ~Dirty() { BnFree(&r); }
    BigNum r{};
};

TEST(FakeRng, StandInIsTheLoadedGenerator) {
    KX_REQUIRE_FAKE_RNG();
    uint8_t out[4];
    uint32_t error = 0;
    ASSERT_EQ(DrawRandomBytes(4, out, &error), 0);
    EXPECT_EQ(FakeRng().calls(), 1u);
    EXPECT_EQ(FakeRng().lastCount(), 4u);
    EXPECT_EQ(KxRngSetJCMVPMode(1), 0);
    EXPECT_EQ(FakeRng().lastMode(), 1);
}

TEST(FakeRng, ScriptThenSeededBytesAreReproducible) {
    KX_REQUIRE_FAKE_RNG();
    const uint8_t script[3] = {0x10, 0x20, 0x30};
    Bytes first(40), second(40);
    uint32_t error = 0;
    for (Bytes* out : {&first, &second}) {
        FakeRng().reset(99);
        FakeRng().script(script, 3);
        ASSERT_EQ(DrawRandomBytes(2, out->data(), &error), 0);
        ASSERT_EQ(DrawRandomBytes(38, out->data() + 2, &error), 0);
    }
    EXPECT_EQ(first, second);
    EXPECT_EQ(Hex(first.data(), 3), "102030");
    EXPECT_EQ(FakeRng().bytesDrawn(), 40u);
    FakeRng().reset(100);
    Bytes other(40);
    ASSERT_EQ(DrawRandomBytes(40, other.data(), &error), 0);
    EXPECT_NE(Bytes(first.begin() + 3, first.end()), Bytes(other.begin(), other.begin() + 37));
}

TEST(FakeRng, DrawRandomBytesPassesTheGeneratorsCodeOn) {
    KX_REQUIRE_FAKE_RNG();
    FakeRng().failOnCall(2);
    uint8_t out[8];
    uint32_t error = 0;
    EXPECT_EQ(DrawRandomBytes(8, out, &error), 0);
    EXPECT_EQ(DrawRandomBytes(8, out, &error), -1);
    EXPECT_EQ(error, kFakeRngErrorCode);
    EXPECT_EQ(DrawRandomBytes(8, out, &error), 0) << "only the named call fails";
}

// BnRandom: first byte drawn = least significant byte of word 0; every word
// cleared first; used normalised, never below 1; sign 0.
struct BnRandomCase {
    const char* name;
    uint32_t capacity;
    Bytes script;            // exactly the bytes drawn
    std::vector<uint32_t> words;  // expected, capacity words
    uint32_t used;
};

const BnRandomCase BN_RANDOM_CASES[] = {
    {"byte order", 2, {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08}, {0x04030201, 0x08070605}, 2},
    {"partial word, rest cleared", 4, {0xAA, 0xBB, 0xCC, 0xDD, 0xEE}, {0xDDCCBBAA, 0xEE, 0, 0}, 2},
    {"high zero words normalised", 3, {1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, {1, 0, 0}, 1},
    {"all zero gives used 1", 2, {0, 0, 0, 0, 0, 0, 0, 0}, {0, 0}, 1},
    {"zero bytes drawn", 2, {}, {0, 0}, 1},
    {"top byte only", 2, {0, 0, 0, 0, 0, 0, 0, 0x80}, {0, 0x80000000}, 2},
};

TEST(FakeRng, BnRandomByteOrderClearingAndNormalisation) {
    KX_REQUIRE_FAKE_RNG();
    for (const BnRandomCase& c : BN_RANDOM_CASES) {
        SCOPED_TRACE(c.name);
        FakeRng().reset(1);
        FakeRng().script(c.script.data(), c.script.size());
        Dirty d(c.capacity);
        ASSERT_EQ(BnRandom(c.script.size(), &d.r), 0);
        EXPECT_EQ(FakeRng().calls(), 1u);
        EXPECT_EQ(FakeRng().lastCount(), c.script.size());
        EXPECT_EQ(std::vector<uint32_t>(d.r.words, d.r.words + c.capacity), c.words);
        EXPECT_EQ(d.r.used, c.used);
        EXPECT_EQ(d.r.sign, 0u);
    }
}

TEST(FakeRng, BnRandomFailureReturnsFailureAndLeavesZero) {
    KX_REQUIRE_FAKE_RNG();
    FakeRng().failOnCall(1);
    Dirty d(3);
    EXPECT_NE(BnRandom(12, &d.r), 0);
    // The stand-in scribbled 0xEE over the words; none of it may stay.
    EXPECT_EQ(std::vector<uint32_t>(d.r.words, d.r.words + 3), std::vector<uint32_t>(3, 0));
    EXPECT_EQ(d.r.used, 1u);
    EXPECT_EQ(d.r.sign, 0u);
}

}  // namespace
