// Key generation against known answers (scripted generator streams to the
// eight components) and GMP's checks of every component.
#include <gmpxx.h>
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>

#include "fakes/fake_rng.h"
#include "key_oracle.h"
#include "test_support.h"

namespace {

const char* const NAMES[8] = {"D", "E", "N", "P", "Q", "DP", "DQ", "QINV"};

// A key generated from the stream of `script`, then the bytes that reset(seed)
// starts, as hex components.
std::vector<std::string> Generate(uint32_t seed, const Bytes& script, uint32_t modulusLength, int32_t exponentLength) {
    FakeRng().reset(seed);
    FakeRng().script(script.data(), uint32_t(script.size()));
    std::vector<Bytes> data(8, Bytes(256));
    OctetString r[8];
    for (int i = 0; i < 8; ++i) r[i] = OctetString{data[i].data(), 256};
    uint32_t error = 0;
    EXPECT_EQ(KxGenerateRsaKey(modulusLength, exponentLength, &r[0], &r[1], &r[2], &r[3], &r[4], &r[5], &r[6],
                               &r[7], &error),
              0);
    std::vector<std::string> hex;
    for (int i = 0; i < 8; ++i) hex.push_back(ToHex(data[i].data(), r[i].length));
    return hex;
}

// keygen_kat.txt: blocks of "Key = seed modulusLength exponentLength", an
// optional "Script = hex" (bytes the generator gives before the seeded ones)
// and the eight components. Each key is made again and compared; GMP checks each.
TEST(KeygenKnownAnswers, ScriptedStreamsGiveTheRecordedKeys) {
    KX_REQUIRE_FAKE_RNG();
    std::ifstream in(std::string(KX_VECTORS_DIR) + "/keygen_kat.txt");
    std::string line;
    std::map<std::string, std::string> entry;
    int keys = 0;
    auto check = [&] {
        if (entry.empty()) return;
        SCOPED_TRACE(entry["Key"]);
        std::istringstream key(entry["Key"]);
        uint32_t seed = 0, m = 0;
        int32_t x = 0;
        key >> seed >> m >> x;
        const std::vector<std::string> got = Generate(seed, FromHex(entry["Script"]), m, x);
        mpz_class c[8];
        for (int i = 0; i < 8; ++i) {
            EXPECT_EQ(got[i], entry[NAMES[i]]) << NAMES[i];
            c[i] = mpz_class(got[i], 16);
        }
        ExpectKeyHolds(c);
        ++keys;
        entry.clear();
    };
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        const size_t eq = line.find(" = ");
        if (line.rfind("Key = ", 0) == 0) check();
        entry[line.substr(0, eq)] = line.substr(eq + 3);
    }
    check();
    EXPECT_GE(keys, 6);
}

}  // namespace
