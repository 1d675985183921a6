// The JCMVP mode through the shipped kxrsa library, one process per test, with
// the logging doubles of tests/fakes/ (or one lacking an entry point) or the
// real libraries (JcmvpReal) put in front: through LD_LIBRARY_PATH on Linux, a
// scenario folder on Windows (tests/CMakeLists.txt).
#if defined(_WIN32)
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <dlfcn.h>
#include <unistd.h>
#endif
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "kat_file.h"

namespace {

using Lines = std::vector<std::string>;

void SetEnv(const char* name, const std::string& value) {
#if defined(_WIN32)
    _putenv_s(name, value.c_str());
#else
    setenv(name, value.c_str(), 1);
#endif
}

std::string ProcessId() {
#if defined(_WIN32)
    return std::to_string(GetCurrentProcessId());
#else
    return std::to_string(getpid());
#endif
}

// Set before main: the doubles read it at every call.
const std::string LOG_PATH =
    (std::filesystem::temp_directory_path() / ("kxrsa-jcmvp-" + ProcessId() + ".log")).string();
const int g_logConfigured = (std::remove(LOG_PATH.c_str()), SetEnv("KX_FAKE_JCMVP_LOG", LOG_PATH), 0);

// The doubles' calls since the last TakeLog, less the gate's status queries unless `gate`.
Lines TakeLog(bool gate = true) {
    Lines lines;
    std::ifstream in(LOG_PATH);
    for (std::string line; std::getline(in, line);)
        if (gate || line != "KxJCMVPGetStatus") lines.push_back(line);
    in.close();  // Windows removes no open file
    return std::remove(LOG_PATH.c_str()), lines;
}

// Eight output records a refused call must leave alone.
struct Outputs {
    Bytes bytes = Bytes(8 * 256, 0xEE);
    OctetString rec[8];
    Outputs() { for (int i = 0; i < 8; ++i) rec[i] = {bytes.data() + 256 * i, 0xEE}; }
    bool Untouched() const {
        return bytes == Bytes(8 * 256, 0xEE) && std::all_of(rec, rec + 8, [](auto& r) { return r.length == 0xEE; });
    }
};

// A valid record, or one the export's own checks would refuse: null, or for
// the PKCS exports (their null checks come before the gate) a one-byte one.
const Bytes ONE_BYTE{1};
const OctetString ONE = Rec(ONE_BYTE);
const OctetString* V(bool ok, const OctetString& r) { return ok ? &r : nullptr; }
const OctetString* P(bool ok, const OctetString& r) { return ok ? &r : &ONE; }
constexpr uint32_t SIGN_V15 = KxSchemeV15Signature + uint32_t{KxHashSha256};

using ExportCall = int32_t (*)(bool ok, OctetString* out, uint32_t* error);
#define CALL(...) [](bool ok, [[maybe_unused]] OctetString* o, uint32_t* error) -> int32_t { return __VA_ARGS__; }

// Every operation export, with valid or invalid arguments; made before main.
std::vector<std::pair<std::string, ExportCall>> OperationExports() {
    static const TestKey key = KatKeyNamed(KX_VECTORS_DIR "/kat_rsa.txt", "rsa1024");
    static const PrivateRecords k(key);
    static const Bytes input(100, 0x42), cipher = KxSeal(0, key, input).out, sig = KxSign(SIGN_V15, key, input).out;
    static const OctetString e = key.E(), x = Rec(input), c = Rec(cipher), s = Rec(sig);
#define PRIVATE_KEY(W) W(ok, k.d), W(ok, k.n), W(ok, k.p), W(ok, k.q), W(ok, k.dP), W(ok, k.dQ), W(ok, k.qInv)
    return {
        {"KxSealRsaBlock", CALL(KxSealRsaBlock(V(ok, e), V(ok, k.n), V(ok, x), ok ? o : nullptr, error))},
        {"KxUnsealRsaBlock", CALL(KxUnsealRsaBlock(PRIVATE_KEY(V), V(ok, x), ok ? o : nullptr, error))},
        {"KxGenerateRsaKey", CALL(KxGenerateRsaKey(ok ? 64 : 0, ok ? 3 : 0, &o[0], &o[1], &o[2], &o[3], &o[4], &o[5],
                                                   &o[6], &o[7], error))},
        {"KxUnsealRsaBlockBlinding", CALL(KxUnsealRsaBlockBlinding(PRIVATE_KEY(V), V(ok, x), ok ? o : nullptr, error))},
        {"KxUnsealRsaBlockBlinding2",
         CALL(KxUnsealRsaBlockBlinding2(V(ok, k.d), V(ok, e), V(ok, k.n), V(ok, k.p), V(ok, k.q), V(ok, k.dP),
                                        V(ok, k.dQ), V(ok, k.qInv), V(ok, x), ok ? o : nullptr, error))},
        {"KxSealRsaBlockPKCS", CALL(KxSealRsaBlockPKCS(0, P(ok, e), P(ok, k.n), &ONE, o, error))},
        {"KxUnsealRsaBlockPKCS", CALL(KxUnsealRsaBlockPKCS(0, PRIVATE_KEY(P), P(ok, c), o, error))},
        {"KxSignRsaBlockPKCS", CALL(KxSignRsaBlockPKCS(SIGN_V15, PRIVATE_KEY(P), P(ok, x), o, error))},
        {"KxVerifyRsaBlockPKCS", CALL(KxVerifyRsaBlockPKCS(SIGN_V15, P(ok, e), P(ok, k.n), P(ok, s), &x, error))},
    };
}
const auto EXPORTS = OperationExports();

// Calls one export with valid arguments: it runs (rc 0) or is refused with 546.
void ExpectCall(int32_t rc, size_t which = 0) {
    Outputs out;
    uint32_t error = 7;
    EXPECT_EQ(EXPORTS[which].second(true, out.rec, &error), rc) << EXPORTS[which].first;
    EXPECT_EQ(error, rc == 0 ? 0u : uint32_t{ErrModuleState}) << EXPORTS[which].first;
}

struct JcmvpFake : ::testing::Test { void TearDown() override { KxRsaSetJCMVPMode(0), TakeLog(); } };
using JcmvpReal = JcmvpFake;

// What switching on calls when every sibling still reports status 0.
const Lines SWITCH_ON_CALLS = {"load", "JCMVPSetStatus 13 2", "JCMVPGetStatus 7", "KxHMACSetJCMVPMode 1",
    "JCMVPGetStatus 0", "KxCORESetJCMVPMode 1", "JCMVPGetStatus 11", "KxRngSetJCMVPMode 1", "JCMVPGetStatus 12",
    "KxSHASetJCMVPMode 1", "JCMVPGetStatus 14", "KxSHA1SetJCMVPMode 1", "JCMVPSetStatus 13 3",
    "JCMVPPowerUpSelfTest 13", "JCMVPSetStatus 13 1"};
const Lines SWITCH_OFF_CALLS = {"JCMVPSetStatus 13 0", "unload"};

// Off, and modes other than 0 and 1, change nothing while off; on runs the
// sequence once, and on (or 2, -1) while on nothing; off undoes it; on again
// loads the status library afresh and leaves alone siblings already on.
TEST_F(JcmvpFake, SwitchingOnAndOff) {
    for (int32_t mode : {0, 0, 2, -1, 3, INT32_MIN, INT32_MAX}) EXPECT_EQ(KxRsaSetJCMVPMode(mode), 0) << mode;
    ExpectCall(0);
    EXPECT_EQ(TakeLog(), Lines{}) << "nothing loaded, and the gate asked no status library";
    EXPECT_EQ(KxRsaSetJCMVPMode(1), 0);
    EXPECT_EQ(TakeLog(), SWITCH_ON_CALLS);
    ExpectCall(0);
    EXPECT_EQ(TakeLog(), Lines{"KxJCMVPGetStatus"}) << "the gate asks once per call";
    for (int32_t mode : {1, 2, -1}) EXPECT_EQ(KxRsaSetJCMVPMode(mode), 0) << mode;
    EXPECT_EQ(TakeLog(), Lines{}) << "loaded and called nothing";
    EXPECT_EQ(KxRsaSetJCMVPMode(0), 0);
    EXPECT_EQ(TakeLog(), SWITCH_OFF_CALLS);
    ExpectCall(0);
    EXPECT_EQ(KxRsaSetJCMVPMode(0), 0);
    EXPECT_EQ(TakeLog(), Lines{});
    SetEnv("KX_FAKE_JCMVP_ON_MODULES", ",7,12,14,");
    EXPECT_EQ(KxRsaSetJCMVPMode(1), 0);
    Lines expected = SWITCH_ON_CALLS;
    for (const char* setter : {"KxHMACSetJCMVPMode 1", "KxSHASetJCMVPMode 1", "KxSHA1SetJCMVPMode 1"})
        expected.erase(std::find(expected.begin(), expected.end(), setter));
    EXPECT_EQ(TakeLog(), expected);
    ExpectCall(0);
}

TEST_F(JcmvpFake, FailingSiblingSetterLeavesTheModeOnAtStatusStarting) {
    SetEnv("KX_FAKE_SETTER_FAIL", "KxRngSetJCMVPMode");
    EXPECT_EQ(KxRsaSetJCMVPMode(1), -1);
    EXPECT_EQ(TakeLog(), Lines(SWITCH_ON_CALLS.begin(), SWITCH_ON_CALLS.begin() + 8));  // up to the rng setter
    ExpectCall(0);
    EXPECT_EQ(KxRsaSetJCMVPMode(1), 0);
    EXPECT_EQ(TakeLog(), Lines{"KxJCMVPGetStatus"}) << "the mode is on";
    EXPECT_EQ(KxRsaSetJCMVPMode(0), 0);
    EXPECT_EQ(TakeLog(), SWITCH_OFF_CALLS);
}

// Every export refuses with 546 before looking at its arguments, writes nothing,
// and returns -1 also with a null error location; switching off reopens the gate.
TEST_F(JcmvpFake, FailedSelfTestClosesTheGateOfEveryExportUntilSwitchedOff) {
    SetEnv("KX_FAKE_JCMVP_SELFTEST_FAIL", "1");
    EXPECT_EQ(KxRsaSetJCMVPMode(1), 0) << "a failed self-test shows only through the status";
    Lines expected = SWITCH_ON_CALLS;
    expected.back() = "JCMVPSetStatus 13 4";
    EXPECT_EQ(TakeLog(), expected);
    for (const auto& [name, call] : EXPORTS) {
        for (bool ok : {true, false}) {
            Outputs out;
            uint32_t error = 7;
            EXPECT_TRUE(call(ok, out.rec, &error) == -1 && error == ErrModuleState &&
                        call(ok, out.rec, nullptr) == -1 && out.Untouched()) << name << ok << " " << error;
        }
    }
    EXPECT_EQ(TakeLog(false), Lines{}) << "a refused call reaches nothing but the gate's query";
    EXPECT_EQ(KxRsaSetJCMVPMode(0), 0);
    EXPECT_EQ(TakeLog(), SWITCH_OFF_CALLS);
    ExpectCall(0);
}

// Key generation hands its new key, records and lengths as delivered, to the
// pair-wise test; only -1 from it fails, with 546, and closes the gate.
TEST_F(JcmvpFake, KeyGenerationRunsThePairwiseTest) {
    ASSERT_EQ(KxRsaSetJCMVPMode(1), 0);
    TakeLog();
    for (int verdict : {0, 1, -2, -1}) {
        SetEnv("KX_FAKE_JCMVP_PAIRWISE", std::to_string(verdict));
        Outputs o;
        uint32_t error = 7;
        std::ostringstream line("JCMVPRsaKeyPairTest", std::ios::ate);
        EXPECT_EQ(EXPORTS[2].second(true, o.rec, &error), verdict == -1 ? -1 : 0) << verdict;  // KxGenerateRsaKey
        EXPECT_EQ(error, verdict == -1 ? uint32_t{ErrModuleState} : 0u) << verdict;
        for (const OctetString& r : o.rec) line << ' ' << std::hex << reinterpret_cast<uintptr_t>(&r) << std::dec << ':' << r.length;
        EXPECT_EQ(TakeLog(false), (Lines{"JCMVPSetStatus 13 3", line.str(),
                                         "JCMVPSetStatus 13 " + std::string(verdict == -1 ? "4" : "1")}));
    }
    ExpectCall(-1);  // own status 4 is the family's error state
}

// Switching on fails twice over, the mode stays off and the gate asks nothing:
// a libkxsha1.so without its mode setter (the status library is never loaded),
// a status library lacking one entry point (the ctest entry names it; unloaded).
void ExpectSwitchingOnFails(const Lines& log) {
    for (int attempt = 0; attempt < 2; ++attempt) {
        EXPECT_EQ(KxRsaSetJCMVPMode(1), -1);
        ExpectCall(0);
        EXPECT_EQ(KxRsaSetJCMVPMode(0), 0);
        EXPECT_EQ(TakeLog(), log);
    }
}
TEST(JcmvpNoSha1Setter, StatusLibraryIsNeverLoadedAndTheModeStaysOff) { ExpectSwitchingOnFails({}); }
TEST(JcmvpMissingEntry, StatusLibraryIsUnloadedAgainAndTheModeStaysOff) { ExpectSwitchingOnFails({"load", "unload"}); }

// (The real pair-wise test itself: test_kxjcmvp.)
TEST_F(JcmvpReal, SelfTestPassesAndEveryExportKeepsWorking) {
    ASSERT_EQ(KxRsaSetJCMVPMode(1), 0);
#if defined(_WIN32)
    HMODULE status = GetModuleHandleA("kxjcmvp.dll");  // the load kxrsa made
    ASSERT_NE(status, nullptr);
    const auto statusOf =
        reinterpret_cast<int32_t (*)(int32_t)>(reinterpret_cast<void*>(GetProcAddress(status, "JCMVPGetStatus")));
#else
    void* status = dlopen("libkxjcmvp.so", RTLD_NOW | RTLD_NOLOAD);  // the load kxrsa made
    ASSERT_NE(status, nullptr);
    const auto statusOf = reinterpret_cast<int32_t (*)(int32_t)>(dlsym(status, "JCMVPGetStatus"));
#endif
    EXPECT_EQ(statusOf(13), 1) << "the power-up self-test did not pass";
    for (size_t i = 0; i < EXPORTS.size(); ++i) ExpectCall(0, i);  // key generation: the real pair-wise test
    EXPECT_EQ(statusOf(13), 1);
#if !defined(_WIN32)
    dlclose(status);
#endif
}

}  // namespace
