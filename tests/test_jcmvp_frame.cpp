// The frame's JCMVP pieces in-process: the loader's name mapping and loads,
// and the pair-wise check against a stand-in status library recorded in the
// mode state. (Switching the mode is tested through the shipped library in
// test_jcmvp.cpp.)
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "frame.h"
#include "loader.h"

namespace {

TEST(FamilyLibraryFileName, MapsModuleNamesToSharedObjects) {
    struct Case {
        const char* module;
        const char* file;  // null: refused
    };
    const Case cases[] = {
        {"kxjcmvp.dll", "libkxjcmvp.so"}, {"kxhmac.dll", "libkxhmac.so"}, {"kxsha1.dll", "libkxsha1.so"},
        {"x.dll", "libx.so"},             {".dll", nullptr},               {"kxhmac", nullptr},
        {"kxhmac.so", nullptr},           {"dll", nullptr},                {"", nullptr},
    };
    for (const Case& c : cases) {
        char out[64];
        const bool mapped = FamilyLibraryFileName(c.module, out, sizeof(out));
        EXPECT_EQ(mapped, c.file != nullptr) << c.module;
        if (mapped && c.file != nullptr) EXPECT_STREQ(out, c.file);
    }
    // The capacity counts the terminating NUL: "libab.so" needs 9 bytes.
    char out[9];
    EXPECT_TRUE(FamilyLibraryFileName("ab.dll", out, 9));
    EXPECT_FALSE(FamilyLibraryFileName("abc.dll", out, 9));
}

TEST(LoadFamilyLibrary, LoadsAndFindsEntryPoints) {
    void* hmac = LoadFamilyLibrary("kxhmac.dll");
    ASSERT_NE(hmac, nullptr);
    EXPECT_NE(FindEntryPoint(hmac, "KxHMACSetJCMVPMode"), nullptr);
    EXPECT_EQ(FindEntryPoint(hmac, "KxHMACNoSuchFunction"), nullptr);
    ReleaseFamilyLibrary(hmac);
    EXPECT_EQ(LoadFamilyLibrary("kxnosuchlibrary.dll"), nullptr);
    EXPECT_EQ(LoadFamilyLibrary("libkxhmac.so"), nullptr) << "only module names are mapped";
}

// A stand-in status library: records calls, answers the pair-wise test with g_verdict.
std::vector<std::string> g_calls;
int32_t g_verdict = 0;
const OctetString* g_seen[8];

int32_t RecordSetStatus(int32_t module, int32_t status) {
    g_calls.push_back("set " + std::to_string(module) + " " + std::to_string(status));
    return 0;
}

int32_t RecordPairTest(const OctetString* d, const OctetString* e, const OctetString* n, const OctetString* p,
                       const OctetString* q, const OctetString* dP, const OctetString* dQ, const OctetString* qInv) {
    const OctetString* seen[8] = {d, e, n, p, q, dP, dQ, qInv};
    std::copy(seen, seen + 8, g_seen);
    g_calls.push_back("pair");
    return g_verdict;
}

TEST(JcmvpRsaKeyPairCheck, ReportsSelfTestThenTheVerdict) {
    const JcmvpModeState saved = g_jcmvp;
    static int dummyLibrary;
    g_jcmvp.library = &dummyLibrary;
    g_jcmvp.setStatus = RecordSetStatus;
    g_jcmvp.rsaKeyPairTest = RecordPairTest;
    OctetString r[8] = {};

    // Only -1 is a failure; every other answer passes.
    for (int32_t verdict : {-1, 0, 1, 5, -2}) {
        SCOPED_TRACE(verdict);
        g_calls.clear();
        g_verdict = verdict;
        const bool fails = verdict == -1;
        EXPECT_EQ(JcmvpRsaKeyPairCheck(&r[0], &r[1], &r[2], &r[3], &r[4], &r[5], &r[6], &r[7]), fails ? 0 : 1);
        EXPECT_EQ(g_calls, (std::vector<std::string>{"set 13 3", "pair", fails ? "set 13 4" : "set 13 1"}));
        for (int i = 0; i < 8; ++i) EXPECT_EQ(g_seen[i], &r[i]) << "records passed on unchanged, in order";
    }
    g_jcmvp = saved;
}

}  // namespace
