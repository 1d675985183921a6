// The JCMVP mode through the shipped libkxrsa.so and the real loader. Each
// test runs in a process of its own (one ctest entry per test, see
// tests/CMakeLists.txt), with the doubles of tests/fakes/ or the real
// libraries in front through LD_LIBRARY_PATH:
//   JcmvpFake.*        logging status library and logging sibling setters
//   JcmvpNoSha1Setter  a libkxsha1.so without its mode setter
//   JcmvpMissingEntry  a status library lacking one of its six entry points
//   JcmvpReal.*        the real status library and siblings
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <openssl/core_names.h>
#include <openssl/evp.h>
#include <openssl/rsa.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "kxrsa.h"

namespace {

using Bytes = std::vector<uint8_t>;
using Lines = std::vector<std::string>;

// ---------------------------------------------------------------------------
// The call log of the doubles (tests/fakes/fake_jcmvp_log.h)
// ---------------------------------------------------------------------------

const std::string& LogPath() {
    static const std::string path =
        (std::filesystem::temp_directory_path() / ("kxrsa-jcmvp-" + std::to_string(getpid()) + ".log")).string();
    return path;
}

// Set before main: the doubles read it at every call.
const bool g_logConfigured = [] {
    std::remove(LogPath().c_str());
    setenv("KX_FAKE_JCMVP_LOG", LogPath().c_str(), 1);
    std::atexit([] { std::remove(LogPath().c_str()); });
    return true;
}();

// The lines logged since the last call.
Lines TakeLog() {
    Lines lines;
    std::ifstream in(LogPath());
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    in.close();
    std::remove(LogPath().c_str());
    return lines;
}

// A log without the entry gate's status queries: what switching or testing did.
Lines WithoutGateQueries(const Lines& lines) {
    Lines out;
    for (const std::string& l : lines)
        if (l != "KxJCMVPGetStatus") out.push_back(l);
    return out;
}

// ---------------------------------------------------------------------------
// Keys and records
// ---------------------------------------------------------------------------

OctetString Rec(Bytes& b) { return OctetString{b.data(), static_cast<uint32_t>(b.size())}; }

struct TestKey {
    Bytes d, e, n, p, q, dP, dQ, qInv;
    EVP_PKEY* pkey = nullptr;
    ~TestKey() { EVP_PKEY_free(pkey); }
};

Bytes ComponentOf(EVP_PKEY* pkey, const char* name) {
    BIGNUM* bn = nullptr;
    EXPECT_EQ(EVP_PKEY_get_bn_param(pkey, name, &bn), 1) << name;
    Bytes out(BN_num_bytes(bn));
    BN_bn2bin(bn, out.data());
    BN_free(bn);
    return out;
}

// One OpenSSL-made 1024-bit key per process (qInv = q^-1 mod p as kxrsa takes it).
const TestKey& Key() {
    static TestKey key = [] {
        TestKey k;
        k.pkey = EVP_RSA_gen(1024);
        k.d = ComponentOf(k.pkey, OSSL_PKEY_PARAM_RSA_D);
        k.e = ComponentOf(k.pkey, OSSL_PKEY_PARAM_RSA_E);
        k.n = ComponentOf(k.pkey, OSSL_PKEY_PARAM_RSA_N);
        k.p = ComponentOf(k.pkey, OSSL_PKEY_PARAM_RSA_FACTOR1);
        k.q = ComponentOf(k.pkey, OSSL_PKEY_PARAM_RSA_FACTOR2);
        k.dP = ComponentOf(k.pkey, OSSL_PKEY_PARAM_RSA_EXPONENT1);
        k.dQ = ComponentOf(k.pkey, OSSL_PKEY_PARAM_RSA_EXPONENT2);
        k.qInv = ComponentOf(k.pkey, OSSL_PKEY_PARAM_RSA_COEFFICIENT1);
        return k;
    }();
    return key;
}

// The eight records of a key, in the order d, e, n, p, q, dP, dQ, qInv.
struct KeyRecords {
    explicit KeyRecords(const TestKey& k)
        : copy{k.d, k.e, k.n, k.p, k.q, k.dP, k.dQ, k.qInv},
          d(Rec(copy[0])), e(Rec(copy[1])), n(Rec(copy[2])), p(Rec(copy[3])), q(Rec(copy[4])),
          dP(Rec(copy[5])), dQ(Rec(copy[6])), qInv(Rec(copy[7])) {}
    Bytes copy[8];
    OctetString d, e, n, p, q, dP, dQ, qInv;
};

// The smallest raw public operation: a 64-byte modulus record holding 11,
// exponent 3, input 2 gives 8. Shows an export runs (or is refused).
int32_t SealEleven(uint32_t* error, Bytes* result) {
    Bytes n(64, 0), e{3}, x{2}, out(64, 0xEE);
    n[63] = 11;
    OctetString nr = Rec(n), er = Rec(e), xr = Rec(x), outr{out.data(), 0};
    const int32_t rc = KxSealRsaBlock(&er, &nr, &xr, &outr, error);
    *result = Bytes(out.begin(), out.begin() + (rc == 0 ? outr.length : 0));
    return rc;
}

void ExpectOperationsRun() {
    uint32_t error = 7;
    Bytes result;
    EXPECT_EQ(SealEleven(&error, &result), 0);
    EXPECT_EQ(error, 0u);
    EXPECT_EQ(result, Bytes{8});
}

void ExpectGateClosed() {
    uint32_t error = 7;
    Bytes result;
    EXPECT_EQ(SealEleven(&error, &result), -1);
    EXPECT_EQ(error, uint32_t{ErrModuleState});
}

// ---------------------------------------------------------------------------
// Every operation export, called three ways
// ---------------------------------------------------------------------------

template <typename F>
F Export(const char* name) {
    return reinterpret_cast<F>(dlsym(RTLD_DEFAULT, name));
}

enum class Call { Valid, Invalid };

// Output buffers a refused call must leave alone.
struct Outputs {
    Outputs() {
        for (int i = 0; i < 8; ++i) {
            bytes[i].assign(256, 0xEE);
            rec[i] = OctetString{bytes[i].data(), 0xEE};
        }
    }
    bool Untouched() const {
        for (int i = 0; i < 8; ++i)
            if (rec[i].length != 0xEE || bytes[i] != Bytes(256, 0xEE)) return false;
        return true;
    }
    Bytes bytes[8];
    OctetString rec[8];
};

struct ExportCase {
    const char* name;
    // Calls the export with valid records, or with records the export's own
    // checks would refuse (all null where the gate comes first; for the
    // PKCS exports, whose null-pointer checks precede the gate, a modulus of
    // one byte, which fails only later rules).
    std::function<int32_t(Call, Outputs&, uint32_t*)> call;
};

std::vector<ExportCase> OperationExports() {
    using Seal = decltype(&KxSealRsaBlock);
    using Unseal = decltype(&KxUnsealRsaBlock);
    using Unseal2 = decltype(&KxUnsealRsaBlockBlinding2);
    using Generate = decltype(&KxGenerateRsaKey);
    using SealPkcs = decltype(&KxSealRsaBlockPKCS);
    using UnsealPkcs = decltype(&KxUnsealRsaBlockPKCS);
    using Verify = decltype(&KxVerifyRsaBlockPKCS);
    static KeyRecords k(Key());
    static Bytes inputBytes(100, 0x42), oneByte{1};
    static OctetString input = Rec(inputBytes), one = Rec(oneByte);
    const uint32_t signV15 = KxSchemeV15Signature + uint32_t{KxHashSha256};

    auto unseal = [](const char* name) {
        return [name](Call c, Outputs& o, uint32_t* error) {
            const auto f = Export<Unseal>(name);
            if (c == Call::Invalid)
                return f(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, error);
            return f(&k.d, &k.n, &k.p, &k.q, &k.dP, &k.dQ, &k.qInv, &input, &o.rec[0], error);
        };
    };
    auto unsealPkcs = [&](const char* name, uint32_t scheme) {
        return [name, scheme](Call c, Outputs& o, uint32_t* error) {
            const auto f = Export<UnsealPkcs>(name);
            if (c == Call::Invalid) return f(scheme, &one, &one, &one, &one, &one, &one, &one, &one, &o.rec[0], error);
            OctetString block = {o.bytes[1].data(), 128};  // k bytes
            return f(scheme, &k.d, &k.n, &k.p, &k.q, &k.dP, &k.dQ, &k.qInv, &block, &o.rec[0], error);
        };
    };
    return {
        {"KxSealRsaBlock",
         [](Call c, Outputs& o, uint32_t* error) {
             const auto f = Export<Seal>("KxSealRsaBlock");
             return c == Call::Invalid ? f(nullptr, nullptr, nullptr, nullptr, error)
                                       : f(&k.e, &k.n, &input, &o.rec[0], error);
         }},
        {"KxUnsealRsaBlock", unseal("KxUnsealRsaBlock")},
        {"KxUnsealRsaBlockBlinding", unseal("KxUnsealRsaBlockBlinding")},
        {"KxUnsealRsaBlockBlinding2",
         [](Call c, Outputs& o, uint32_t* error) {
             const auto f = Export<Unseal2>("KxUnsealRsaBlockBlinding2");
             if (c == Call::Invalid)
                 return f(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                          error);
             return f(&k.d, &k.e, &k.n, &k.p, &k.q, &k.dP, &k.dQ, &k.qInv, &input, &o.rec[0], error);
         }},
        {"KxGenerateRsaKey",
         [](Call c, Outputs& o, uint32_t* error) {
             const auto f = Export<Generate>("KxGenerateRsaKey");
             if (c == Call::Invalid)
                 return f(0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, error);
             return f(64, 3, &o.rec[0], &o.rec[1], &o.rec[2], &o.rec[3], &o.rec[4], &o.rec[5], &o.rec[6], &o.rec[7],
                      error);
         }},
        {"KxSealRsaBlockPKCS",
         [](Call c, Outputs& o, uint32_t* error) {
             const auto f = Export<SealPkcs>("KxSealRsaBlockPKCS");
             return c == Call::Invalid ? f(0, &one, &one, &one, &o.rec[0], error)
                                       : f(0, &k.e, &k.n, &one, &o.rec[0], error);
         }},
        {"KxUnsealRsaBlockPKCS", unsealPkcs("KxUnsealRsaBlockPKCS", 0)},
        {"KxSignRsaBlockPKCS", unsealPkcs("KxSignRsaBlockPKCS", signV15)},
        {"KxVerifyRsaBlockPKCS",
         [signV15](Call c, Outputs& o, uint32_t* error) {
             const auto f = Export<Verify>("KxVerifyRsaBlockPKCS");
             if (c == Call::Invalid) return f(signV15, &one, &one, &one, &one, error);
             OctetString signature = {o.bytes[1].data(), 128};
             return f(signV15, &k.e, &k.n, &signature, &input, error);
         }},
    };
}

// Every export refuses with 546 before looking at its arguments, and with a
// null error location returns -1 having written nothing.
void ExpectEveryExportRefused() {
    for (const ExportCase& x : OperationExports()) {
        SCOPED_TRACE(x.name);
        ASSERT_NE(dlsym(RTLD_DEFAULT, x.name), nullptr) << "export missing";
        for (Call c : {Call::Valid, Call::Invalid}) {
            Outputs out;
            uint32_t error = 7;
            EXPECT_EQ(x.call(c, out, &error), -1);
            EXPECT_EQ(error, uint32_t{ErrModuleState});
            EXPECT_TRUE(out.Untouched());
        }
        Outputs out;
        EXPECT_EQ(x.call(Call::Valid, out, nullptr), -1);
        EXPECT_TRUE(out.Untouched());
    }
}

// ---------------------------------------------------------------------------
// Switching on with the logging doubles
// ---------------------------------------------------------------------------

// What switching on calls when every sibling still reports status 0.
const Lines SWITCH_ON_CALLS = {
    "load",
    "JCMVPSetStatus 13 2",
    "JCMVPGetStatus 7",  "KxHMACSetJCMVPMode 1",
    "JCMVPGetStatus 0",  "KxCORESetJCMVPMode 1",
    "JCMVPGetStatus 11", "KxRngSetJCMVPMode 1",
    "JCMVPGetStatus 12", "KxSHASetJCMVPMode 1",
    "JCMVPGetStatus 14", "KxSHA1SetJCMVPMode 1",
    "JCMVPSetStatus 13 3",
    "JCMVPPowerUpSelfTest 13",
    "JCMVPSetStatus 13 1",
};

class JcmvpFake : public ::testing::Test {
  protected:
    void TearDown() override { KxRsaSetJCMVPMode(0); }
};

TEST_F(JcmvpFake, OtherModeValuesChangeNothing) {
    for (int32_t mode : {2, -1, 3, INT32_MIN, INT32_MAX}) EXPECT_EQ(KxRsaSetJCMVPMode(mode), 0) << mode;
    EXPECT_EQ(TakeLog(), Lines{});
    ExpectOperationsRun();
    EXPECT_EQ(TakeLog(), Lines{}) << "the gate asked a status library while the mode is off";

    ASSERT_EQ(KxRsaSetJCMVPMode(1), 0);
    TakeLog();
    for (int32_t mode : {2, -1}) EXPECT_EQ(KxRsaSetJCMVPMode(mode), 0);
    EXPECT_EQ(TakeLog(), Lines{});
    ExpectOperationsRun();
    EXPECT_EQ(TakeLog(), Lines{"KxJCMVPGetStatus"}) << "the mode must still be on";
}

TEST_F(JcmvpFake, SwitchingOffWhileOffCallsNothing) {
    EXPECT_EQ(KxRsaSetJCMVPMode(0), 0);
    EXPECT_EQ(KxRsaSetJCMVPMode(0), 0);
    EXPECT_EQ(TakeLog(), Lines{});
    ExpectOperationsRun();
}

TEST_F(JcmvpFake, SwitchingOnRunsTheSequenceOnceAndOffUndoesIt) {
    EXPECT_EQ(KxRsaSetJCMVPMode(1), 0);
    EXPECT_EQ(TakeLog(), SWITCH_ON_CALLS);

    // The gate asks for the family status on every call, once.
    ExpectOperationsRun();
    EXPECT_EQ(TakeLog(), Lines{"KxJCMVPGetStatus"});

    // On while on: nothing loaded, nothing called.
    EXPECT_EQ(KxRsaSetJCMVPMode(1), 0);
    EXPECT_EQ(TakeLog(), Lines{});

    EXPECT_EQ(KxRsaSetJCMVPMode(0), 0);
    EXPECT_EQ(TakeLog(), (Lines{"JCMVPSetStatus 13 0", "unload"}));
    ExpectOperationsRun();
    EXPECT_EQ(TakeLog(), Lines{});

    // Off again: nothing; on again: the status library is loaded afresh.
    EXPECT_EQ(KxRsaSetJCMVPMode(0), 0);
    EXPECT_EQ(TakeLog(), Lines{});
    EXPECT_EQ(KxRsaSetJCMVPMode(1), 0);
    EXPECT_EQ(TakeLog(), SWITCH_ON_CALLS);
}

TEST_F(JcmvpFake, SiblingsAlreadyOnAreNotSwitchedAgain) {
    setenv("KX_FAKE_JCMVP_ON_MODULES", "7,12,14", 1);
    EXPECT_EQ(KxRsaSetJCMVPMode(1), 0);
    EXPECT_EQ(TakeLog(), (Lines{
                             "load",
                             "JCMVPSetStatus 13 2",
                             "JCMVPGetStatus 7",
                             "JCMVPGetStatus 0", "KxCORESetJCMVPMode 1",
                             "JCMVPGetStatus 11", "KxRngSetJCMVPMode 1",
                             "JCMVPGetStatus 12",
                             "JCMVPGetStatus 14",
                             "JCMVPSetStatus 13 3",
                             "JCMVPPowerUpSelfTest 13",
                             "JCMVPSetStatus 13 1",
                         }));
    ExpectOperationsRun();
}

TEST_F(JcmvpFake, FailingSiblingSetterLeavesTheModeOnAtStatusStarting) {
    setenv("KX_FAKE_SETTER_FAIL", "KxRngSetJCMVPMode", 1);
    EXPECT_EQ(KxRsaSetJCMVPMode(1), -1);
    const Lines expected(SWITCH_ON_CALLS.begin(), SWITCH_ON_CALLS.begin() + 8);  // up to the rng setter
    EXPECT_EQ(TakeLog(), expected);

    // The mode is on: the gate asks, and switching on again does nothing.
    ExpectOperationsRun();
    EXPECT_EQ(TakeLog(), Lines{"KxJCMVPGetStatus"});
    EXPECT_EQ(KxRsaSetJCMVPMode(1), 0);
    EXPECT_EQ(TakeLog(), Lines{});
    EXPECT_EQ(KxRsaSetJCMVPMode(0), 0);
    EXPECT_EQ(TakeLog(), (Lines{"JCMVPSetStatus 13 0", "unload"}));
}

TEST_F(JcmvpFake, FailedSelfTestClosesTheGateOfEveryExportUntilSwitchedOff) {
    setenv("KX_FAKE_JCMVP_SELFTEST_FAIL", "1", 1);
    EXPECT_EQ(KxRsaSetJCMVPMode(1), 0) << "a failed self-test shows only through the status";
    Lines expected = SWITCH_ON_CALLS;
    expected.back() = "JCMVPSetStatus 13 4";
    EXPECT_EQ(TakeLog(), expected);

    ExpectEveryExportRefused();
    const Lines asked = TakeLog();
    EXPECT_EQ(WithoutGateQueries(asked), Lines{}) << "a refused call must not reach the pair-wise test";
    EXPECT_FALSE(asked.empty());

    EXPECT_EQ(KxRsaSetJCMVPMode(0), 0);
    EXPECT_EQ(TakeLog(), (Lines{"JCMVPSetStatus 13 0", "unload"}));
    ExpectOperationsRun();
}

TEST_F(JcmvpFake, GateFollowsTheFamilyStatusOnEveryCall) {
    ASSERT_EQ(KxRsaSetJCMVPMode(1), 0);
    ExpectOperationsRun();
    setenv("KX_FAKE_JCMVP_FAMILY_ERROR", "1", 1);
    ExpectGateClosed();
    Bytes result;
    EXPECT_EQ(SealEleven(nullptr, &result), -1);
    unsetenv("KX_FAKE_JCMVP_FAMILY_ERROR");
    ExpectOperationsRun();
}

// Key generation hands its new key, records and lengths as delivered, to the
// pair-wise test, and reports 546 when the test fails.
TEST_F(JcmvpFake, KeyGenerationRunsThePairwiseTest) {
    using Generate = decltype(&KxGenerateRsaKey);
    const auto generate = Export<Generate>("KxGenerateRsaKey");
    ASSERT_NE(generate, nullptr);
    auto run = [&](Outputs& o, uint32_t* error) {
        return generate(64, 3, &o.rec[0], &o.rec[1], &o.rec[2], &o.rec[3], &o.rec[4], &o.rec[5], &o.rec[6],
                        &o.rec[7], error);
    };
    auto pairwiseLine = [](const Outputs& o) {
        std::string line = "JCMVPRsaKeyPairTest";
        char part[64];
        for (const OctetString& r : o.rec) {
            std::snprintf(part, sizeof(part), " %p:%u", static_cast<const void*>(&r), r.length);
            line += part;
        }
        return line;
    };

    // Mode off: no status library is involved.
    Outputs off;
    uint32_t error = 7;
    ASSERT_EQ(run(off, &error), 0);
    EXPECT_EQ(TakeLog(), Lines{});

    ASSERT_EQ(KxRsaSetJCMVPMode(1), 0);
    TakeLog();
    Outputs passed;
    ASSERT_EQ(run(passed, &error), 0);
    EXPECT_EQ(error, 0u);
    EXPECT_EQ(passed.rec[2].length, 64u);
    EXPECT_EQ(WithoutGateQueries(TakeLog()),
              (Lines{"JCMVPSetStatus 13 3", pairwiseLine(passed), "JCMVPSetStatus 13 1"}));

    setenv("KX_FAKE_JCMVP_PAIRWISE_FAIL", "1", 1);
    Outputs failed;
    EXPECT_EQ(run(failed, &error), -1);
    EXPECT_EQ(error, uint32_t{ErrModuleState});
    EXPECT_EQ(failed.rec[2].length, 64u) << "the rejected key stays in the records";
    EXPECT_EQ(WithoutGateQueries(TakeLog()),
              (Lines{"JCMVPSetStatus 13 3", pairwiseLine(failed), "JCMVPSetStatus 13 4"}));
    ExpectGateClosed();  // own status 4 is the family's error state
}

// ---------------------------------------------------------------------------
// Libraries or entry points missing
// ---------------------------------------------------------------------------

TEST(JcmvpNoSha1Setter, StatusLibraryIsNeverLoadedAndTheModeStaysOff) {
    // The premise: of the five siblings only kxsha1 lacks its setter.
    const char* siblings[5][2] = {{"libkxhmac.so", "KxHMACSetJCMVPMode"}, {"libkxcore.so", "KxCORESetJCMVPMode"},
                                  {"libkxrng.so", "KxRngSetJCMVPMode"},   {"libkxsha2.so", "KxSHASetJCMVPMode"},
                                  {"libkxsha1.so", "KxSHA1SetJCMVPMode"}};
    for (const auto& s : siblings) {
        void* library = dlopen(s[0], RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(library, nullptr) << s[0];
        EXPECT_EQ(dlsym(library, s[1]) != nullptr, std::string(s[0]) != "libkxsha1.so") << s[1];
        dlclose(library);
    }

    EXPECT_EQ(KxRsaSetJCMVPMode(1), -1);
    EXPECT_EQ(TakeLog(), Lines{});
    ExpectOperationsRun();
    EXPECT_EQ(TakeLog(), Lines{});
    EXPECT_EQ(KxRsaSetJCMVPMode(0), 0);
    EXPECT_EQ(TakeLog(), Lines{});
    EXPECT_EQ(KxRsaSetJCMVPMode(1), -1) << "still missing on a second try";
    EXPECT_EQ(TakeLog(), Lines{});
}

// KX_TEST_MISSING_ENTRY names the entry point the status library lacks.
TEST(JcmvpMissingEntry, StatusLibraryIsUnloadedAgainAndTheModeStaysOff) {
    SCOPED_TRACE(std::getenv("KX_TEST_MISSING_ENTRY") != nullptr ? std::getenv("KX_TEST_MISSING_ENTRY") : "?");
    EXPECT_EQ(KxRsaSetJCMVPMode(1), -1);
    EXPECT_EQ(TakeLog(), (Lines{"load", "unload"})) << "nothing may be called, no sibling switched";
    ExpectOperationsRun();
    EXPECT_EQ(TakeLog(), Lines{}) << "the gate must not ask: the mode is off";
    EXPECT_EQ(KxRsaSetJCMVPMode(0), 0);
    EXPECT_EQ(TakeLog(), Lines{});
    EXPECT_EQ(KxRsaSetJCMVPMode(1), -1);
    EXPECT_EQ(TakeLog(), (Lines{"load", "unload"}));
}

// ---------------------------------------------------------------------------
// The real status library
// ---------------------------------------------------------------------------

// The status library kxrsa loaded, reached without loading it again.
struct LoadedStatusLibrary {
    LoadedStatusLibrary() : handle(dlopen("libkxjcmvp.so", RTLD_NOW | RTLD_NOLOAD)) {}
    ~LoadedStatusLibrary() {
        if (handle != nullptr) dlclose(handle);
    }
    template <typename F>
    F Find(const char* name) const {
        return reinterpret_cast<F>(dlsym(handle, name));
    }
    int32_t Status(int32_t module) const { return Find<int32_t (*)(int32_t)>("JCMVPGetStatus")(module); }
    int32_t FamilyStatus() const { return Find<int32_t (*)()>("KxJCMVPGetStatus")(); }
    void* handle;
};

Bytes OpenSslSignV15Sha256(EVP_PKEY* pkey, const Bytes& message) {
    EVP_MD_CTX* ctx = EVP_MD_CTX_new();
    size_t length = 0;
    EXPECT_EQ(EVP_DigestSignInit(ctx, nullptr, EVP_sha256(), nullptr, pkey), 1);
    EXPECT_EQ(EVP_DigestSign(ctx, nullptr, &length, message.data(), message.size()), 1);
    Bytes signature(length);
    EXPECT_EQ(EVP_DigestSign(ctx, signature.data(), &length, message.data(), message.size()), 1);
    EVP_MD_CTX_free(ctx);
    return signature;
}

class JcmvpReal : public ::testing::Test {
  protected:
    void TearDown() override { KxRsaSetJCMVPMode(0); }
};

TEST_F(JcmvpReal, SelfTestPassesAndEveryExportKeepsWorking) {
    ASSERT_EQ(KxRsaSetJCMVPMode(1), 0);
    {
        LoadedStatusLibrary status;
        ASSERT_NE(status.handle, nullptr) << "switching on must have loaded libkxjcmvp.so";
        EXPECT_EQ(status.Status(13), 1) << "power-up self-test did not pass";
        EXPECT_EQ(status.FamilyStatus(), 1);
    }
    KeyRecords k(Key());
    uint32_t error = 7;
    const auto expectOk = [&](int32_t rc, const char* what) {
        EXPECT_EQ(rc, 0) << what;
        EXPECT_EQ(error, 0u) << what;
    };

    // Raw: every private variant brings the public result back.
    Bytes xBytes(100, 0x5C), sealedBytes(128), openedBytes(128);
    OctetString x = Rec(xBytes), sealed{sealedBytes.data(), 0};
    expectOk(KxSealRsaBlock(&k.e, &k.n, &x, &sealed, &error), "KxSealRsaBlock");
    for (const char* name : {"KxUnsealRsaBlock", "KxUnsealRsaBlockBlinding"}) {
        OctetString opened{openedBytes.data(), 0};
        expectOk(Export<decltype(&KxUnsealRsaBlock)>(name)(&k.d, &k.n, &k.p, &k.q, &k.dP, &k.dQ, &k.qInv, &sealed,
                                                            &opened, &error),
                 name);
        EXPECT_EQ(Bytes(openedBytes.begin(), openedBytes.begin() + opened.length), xBytes) << name;
    }
    OctetString opened{openedBytes.data(), 0};
    expectOk(KxUnsealRsaBlockBlinding2(&k.d, &k.e, &k.n, &k.p, &k.q, &k.dP, &k.dQ, &k.qInv, &sealed, &opened, &error),
             "KxUnsealRsaBlockBlinding2");
    EXPECT_EQ(Bytes(openedBytes.begin(), openedBytes.begin() + opened.length), xBytes);

    // PKCS: encryption round trips, and a v1.5 signature equal to OpenSSL's.
    Bytes message = {'j', 'c', 'm', 'v', 'p'};
    OctetString m = Rec(message);
    for (uint32_t scheme : {uint32_t{KxSchemeV15Encryption}, KxSchemeOaep + uint32_t{KxHashSha256}}) {
        Bytes blockBytes(128), plainBytes(128);
        OctetString block{blockBytes.data(), 0}, plain{plainBytes.data(), 0};
        expectOk(KxSealRsaBlockPKCS(scheme, &k.e, &k.n, &m, &block, &error), "KxSealRsaBlockPKCS");
        expectOk(KxUnsealRsaBlockPKCS(scheme, &k.d, &k.n, &k.p, &k.q, &k.dP, &k.dQ, &k.qInv, &block, &plain, &error),
                 "KxUnsealRsaBlockPKCS");
        EXPECT_EQ(Bytes(plainBytes.begin(), plainBytes.begin() + plain.length), message) << scheme;
    }
    const uint32_t signV15 = KxSchemeV15Signature + uint32_t{KxHashSha256};
    Bytes signatureBytes(128);
    OctetString signature{signatureBytes.data(), 0};
    expectOk(KxSignRsaBlockPKCS(signV15, &k.d, &k.n, &k.p, &k.q, &k.dP, &k.dQ, &k.qInv, &m, &signature, &error),
             "KxSignRsaBlockPKCS");
    EXPECT_EQ(signatureBytes, OpenSslSignV15Sha256(Key().pkey, message));
    expectOk(KxVerifyRsaBlockPKCS(signV15, &k.e, &k.n, &signature, &m, &error), "KxVerifyRsaBlockPKCS");

    // Key generation, with the real pair-wise test.
    Outputs generated;
    OctetString* r = generated.rec;
    expectOk(KxGenerateRsaKey(64, 3, &r[0], &r[1], &r[2], &r[3], &r[4], &r[5], &r[6], &r[7], &error),
             "KxGenerateRsaKey");

    LoadedStatusLibrary status;
    EXPECT_EQ(status.Status(13), 1);
    EXPECT_EQ(status.FamilyStatus(), 1);
}

// The real pair-wise test accepts a good key and refuses it with any one
// component changed (its low bit flipped).
TEST_F(JcmvpReal, PairwiseTestRefusesBrokenKeys) {
    ASSERT_EQ(KxRsaSetJCMVPMode(1), 0);
    LoadedStatusLibrary status;
    ASSERT_NE(status.handle, nullptr);
    using PairTest = int32_t (*)(const OctetString*, const OctetString*, const OctetString*, const OctetString*,
                                 const OctetString*, const OctetString*, const OctetString*, const OctetString*);
    const auto test = status.Find<PairTest>("JCMVPRsaKeyPairTest");
    ASSERT_NE(test, nullptr);

    KeyRecords good(Key());
    EXPECT_EQ(test(&good.d, &good.e, &good.n, &good.p, &good.q, &good.dP, &good.dQ, &good.qInv), 0);
    const char* names[8] = {"d", "e", "n", "p", "q", "dP", "dQ", "qInv"};
    for (int i = 0; i < 8; ++i) {
        KeyRecords bad(Key());
        bad.copy[i].back() ^= 1;
        EXPECT_EQ(test(&bad.d, &bad.e, &bad.n, &bad.p, &bad.q, &bad.dP, &bad.dQ, &bad.qInv), -1) << names[i];
    }
    EXPECT_EQ(test(&good.d, &good.e, nullptr, &good.p, &good.q, &good.dP, &good.dQ, &good.qInv), -1);
    EXPECT_EQ(status.Status(13), 1) << "the status library's test alone does not set kxrsa's status";
}

}  // namespace
