// The siblings as kxrsa calls them: digests against published vectors, the real
// generator, DrawRandomBytes / BnRandom under the scripted one (*FakeRng*: test_siblings_fake_rng).
#include <gtest/gtest.h>

#include <fstream>

#include "family.h"
#include "fakes/fake_rng.h"
#include "test_records.h"

namespace {

// digests.txt: a [Section] per hash index; stanzas of Text or Msg (hex), then
// optionally Repeat (the message is that many copies), then Digest. Each goes
// through FamilyDigest, kxrsa's only way to the digest exports.
TEST(Digests, PublishedVectors) {
    const std::vector<std::string> SECTIONS = {"[MD2]", "[MD5]", "[SHA1]", "[SHA256]", "[SHA384]", "[SHA512]"};
    std::ifstream in(KX_VECTORS_DIR "/digests.txt");
    ASSERT_TRUE(in.good()) << "digests.txt not found";
    uint32_t hashIndex = 0, perHash[kHashCount] = {}, error = 0;
    Bytes one;
    std::string line;
    for (int lineNo = 1; std::getline(in, line); ++lineNo) {
        if (line[0] == '[') hashIndex = std::find(SECTIONS.begin(), SECTIONS.end(), line) - SECTIONS.begin();
        const size_t eq = line.find('=');
        if (line[0] == '#' || eq == std::string::npos) continue;
        const std::string key = line.substr(0, line.find_first_of(" =")),
                          value = line.substr(std::min(eq + 2, line.size()));
        if (key == "Text") one.assign(value.begin(), value.end());
        if (key == "Msg") one = FromHex(value);
        for (Bytes unit = one; key == "Repeat" && one.size() < unit.size() * std::stoul(value);)
            one.insert(one.end(), unit.begin(), unit.end());
        if (key != "Digest") continue;
        ASSERT_LT(hashIndex, kHashCount) << "digests.txt:" << lineNo;
        const uint32_t hLen = DigestHashLength(hashIndex);
        ++perHash[hashIndex];
        Bytes digest(64 + 4, 0xA5);
        EXPECT_NE(FamilyDigest(hashIndex, static_cast<uint32_t>(one.size()), one.data(), digest.data(), &error), -1);
        EXPECT_EQ(ToHex(digest.data(), hLen), value) << "digests.txt:" << lineNo;
        EXPECT_EQ(digest[hLen], 0xA5) << "digests.txt:" << lineNo << " wrote past the digest";
    }
    for (uint32_t h = 0; h < kHashCount; ++h) EXPECT_GE(perHash[h], 3u) << "hash index " << h;
    EXPECT_EQ(DigestHashLength(kHashCount), 0u);
    EXPECT_EQ(FamilyDigest(kHashCount, 3, Bytes(68).data(), Bytes(68).data(), &error), -1);
}

TEST(RealRng, DrawsFreshBytesOfAnySize) {
    if (FakeRng().loaded) GTEST_SKIP() << "the scripted generator is loaded";
    for (uint32_t count : {0u, 1u, 32u, 300000u}) {
        Bytes a(count + 1, 0), b(count + 1, 0);
        uint32_t error = 0;
        ASSERT_TRUE(DrawRandomBytes(count, a.data(), &error) == 0 && DrawRandomBytes(count, b.data(), &error) == 0);
        EXPECT_EQ(a[count], 0) << "wrote past the count";
        if (count >= 32) EXPECT_NE(a, b);
    }
}

// DrawRandomBytes calls the stand-in once per draw and passes its code on.
// BnRandom: first byte drawn = least significant byte of word 0; every word
// cleared first; used normalised, never below 1; sign 0. A failing generator
// leaves all words zero (its code has nowhere to go).
TEST(FakeRng, DrawRandomBytesAndBnRandom) {
    KX_REQUIRE_FAKE_RNG();
    uint8_t out[8];
    uint32_t error = 0;
    EXPECT_TRUE(DrawRandomBytes(2, out, &error) == 0 && DrawRandomBytes(4, out, &error) == 0);
    EXPECT_TRUE(FakeRng().calls() == 2 && FakeRng().bytesDrawn() == 6);
    FakeRng().failOnCall(1);
    EXPECT_TRUE(DrawRandomBytes(8, out, &error) == -1 && error == kFakeRngErrorCode) << error;
    struct Case { Bytes script; std::vector<uint32_t> words; uint32_t used; bool fail; };
    const Case CASES[] = {
        {{0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08}, {0x04030201, 0x08070605}, 2, false},
        {{0xAA, 0xBB, 0xCC, 0xDD, 0xEE}, {0xDDCCBBAA, 0xEE, 0, 0}, 2, false},  // partial word, rest cleared
        {{1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, {1, 0, 0}, 1, false},            // high zero words normalised
        {Bytes(8, 0), {0, 0}, 1, false},
        {{}, {0, 0}, 1, false},
        {{0, 0, 0, 0, 0, 0, 0, 0x80}, {0, 0x80000000}, 2, false},
        {Bytes(12, 0x77), {0, 0, 0}, 1, true}};
    for (const Case& c : CASES) {
        SCOPED_TRACE(ToHex(c.script));
        FakeRng().reset(1);
        FakeRng().script(c.script.data(), static_cast<uint32_t>(c.script.size()));
        FakeRng().failOnCall(c.fail ? 1 : 0);
        BigNum r{};
        ASSERT_EQ(BnAlloc(static_cast<uint32_t>(c.words.size()), &r), 0);
        std::fill(r.words, r.words + r.capacity, 0xFFFFFFFF);
        r.used = r.capacity, r.sign = 1;
        EXPECT_EQ(BnRandom(static_cast<uint32_t>(c.script.size()), &r) != 0, c.fail);
        EXPECT_TRUE(FakeRng().calls() == 1 && FakeRng().bytesDrawn() == (c.fail ? 0 : c.script.size()));
        EXPECT_EQ(std::vector<uint32_t>(r.words, r.words + r.capacity), c.words);
        EXPECT_TRUE(r.used == c.used && r.sign == 0) << "used " << r.used << " sign " << r.sign;
        BnFree(&r);
    }
}

}  // namespace
