// The real status library on its own, in a process per test that does not link
// kxrsa: loaded for good after (RTLD_LOCAL) the real kxrsa library or a broken one.
#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif
#include <gtest/gtest.h>

#include <barrier>
#include <string>
#include <thread>

#include "kxrsa.h"

namespace {

#if defined(_WIN32)
void* Open(const char* path) { return LoadLibraryA(path); }
void* Find(void* library, const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}
std::string LoadError() { return "error " + std::to_string(GetLastError()); }
#else
void* Open(const char* path) { return dlopen(path, RTLD_NOW | RTLD_LOCAL); }
void* Find(void* library, const char* name) { return dlsym(library, name); }
std::string LoadError() { return dlerror(); }
#endif

struct StatusLibrary {
    explicit StatusLibrary(const char* rsa = nullptr)
        : rsaHandle(rsa != nullptr ? Open(rsa) : nullptr), handle(Open(KX_JCMVP_LIBRARY)) {}
    // Calls an export of the status library, else of the kxrsa loaded first.
    template <typename... Args>
    int32_t Call(const char* name, Args... args) const {
        void* f = Find(handle, name);
        return reinterpret_cast<int32_t (*)(Args...)>(f != nullptr ? f : Find(rsaHandle, name))(args...);
    }
    int32_t Set(int32_t module, int32_t status) const { return Call("JCMVPSetStatus", module, status); }
    int32_t Get(int32_t module) const { return Call("JCMVPGetStatus", module); }
    int32_t SelfTest(int32_t module) const { return Call("JCMVPPowerUpSelfTest", module); }
    void *rsaHandle, *handle;
};

// The family status is the highest module status; unknown modules and
// statuses are refused. Without kxrsa the RSA self-test fails; the family
// self-test covers only the modules in the mode and puts a failing one in error.
TEST(KxJcmvpAlone, StatusesAndSelfTestsWithoutKxrsa) {
    StatusLibrary s;
    ASSERT_NE(s.handle, nullptr) << LoadError();
    for (int32_t m : {0, 7, 11, 12, 13, 14}) EXPECT_EQ(s.Get(m), 0) << m;
    const int32_t steps[][3] = {{7, 1, 1}, {12, 1, 1}, {13, 3, 3}, {0, 4, 4}, {0, 0, 3}, {13, 0, 1}};
    for (const auto& [module, status, family] : steps)
        EXPECT_TRUE(s.Set(module, status) == 0 && s.Call("KxJCMVPGetStatus") == family) << module << " " << status;
    for (int32_t bad : {-1, 1, 6, 15, 99})
        EXPECT_TRUE(s.Set(bad, 4) == -1 && s.Get(bad) == -1 && s.SelfTest(bad) != 0) << bad;
    EXPECT_TRUE(s.Set(13, 5) == -1 && s.Set(13, -1) == -1 && s.Get(13) == 0 && s.SelfTest(13) != 0);
    for (int32_t m : {0, 7, 11, 12, 14}) EXPECT_EQ(s.SelfTest(m), 0) << m;
    EXPECT_TRUE(s.Call("KxJCMVPPowerUpSelfTest") == 0 && s.Set(13, 1) == 0);
    EXPECT_EQ(s.Call("KxJCMVPPowerUpSelfTest"), -1);
    EXPECT_TRUE(s.Get(13) == 4 && s.Call("KxJCMVPGetStatus") == 4);
}

// The error status latches: a module at 4 leaves it only through 0, for
// JCMVPSetStatus and for the family self-test alike.
TEST(KxJcmvpAlone, ErrorStatusLeavesOnlyThroughOff) {
    StatusLibrary s;
    ASSERT_NE(s.handle, nullptr) << LoadError();
    for (int32_t m : {13, 11}) {
        const int32_t steps[][2] = {{0, 0}, {1, 1}, {4, 4}, {1, 4}, {2, 4}, {3, 4}, {0, 0}, {1, 1}};
        for (const auto& [status, after] : steps)
            EXPECT_TRUE(s.Set(m, status) == 0 && s.Get(m) == after) << m << " " << status;
    }
    EXPECT_TRUE(s.Set(13, 1) == 0 && s.Call("KxJCMVPPowerUpSelfTest") == -1 && s.Get(13) == 4);
    EXPECT_TRUE(s.Set(13, 1) == 0 && s.Get(13) == 4 && s.Call("KxJCMVPGetStatus") == 4);
    EXPECT_TRUE(s.Set(13, 0) == 0 && s.Set(11, 0) == 0 && s.Call("KxJCMVPGetStatus") == 0);
}

// Two threads report 4 and 1 for one module at the same moment: 4 every time.
TEST(KxJcmvpAlone, ConcurrentErrorAndReadyKeepTheError) {
    StatusLibrary s;
    ASSERT_NE(s.handle, nullptr) << LoadError();
    constexpr int kRounds = 20000;
    std::barrier start(3), done(3);  // the two reporters and this thread
    auto reporter = [&](int32_t status) {
        for (int round = 0; round < kRounds; ++round) {
            start.arrive_and_wait();
            s.Set(13, status);
            done.arrive_and_wait();
        }
    };
    std::thread error(reporter, 4), ready(reporter, 1);
    int lost = 0;
    for (int round = 0; round < kRounds; ++round) {
        s.Set(13, 0), s.Set(13, 3);  // off, then testing: the state both reports leave
        start.arrive_and_wait();
        done.arrive_and_wait();
        lost += s.Get(13) != 4;
    }
    error.join(), ready.join();
    EXPECT_EQ(lost, 0) << "of " << kRounds << " rounds";
}

TEST(KxJcmvpAlone, SelfTestRefusesWrongResults) {
    StatusLibrary s(KX_BROKEN_RSA_LIBRARY);
    ASSERT_NE(s.rsaHandle, nullptr) << LoadError();
    EXPECT_EQ(s.SelfTest(13), 1);
}

// With kxrsa loaded the self-tests pass, and the pair-wise test accepts a key
// kxrsa made but refuses it with any one component's low bit flipped
// (broken = 0..7) or the modulus missing (8).
TEST(KxJcmvpAlone, SelfTestsPassWithKxrsaLoadedLocally) {
    StatusLibrary s(KX_RSA_LIBRARY);
    ASSERT_NE(s.rsaHandle, nullptr) << LoadError();
    EXPECT_TRUE(s.SelfTest(13) == 0 && s.Set(13, 1) == 0 && s.Call("KxJCMVPPowerUpSelfTest") == 0 && s.Get(13) == 1);
    uint8_t bytes[8][64];
    OctetString r[8];
    for (int i = 0; i < 8; ++i) r[i] = {bytes[i], 64};
    uint32_t error = 0;
    ASSERT_EQ(s.Call("KxGenerateRsaKey", 64u, 3, &r[0], &r[1], &r[2], &r[3], &r[4], &r[5], &r[6], &r[7], &error), 0);
    for (int broken = -1; broken <= 8; ++broken) {
        uint8_t* low = broken >= 0 && broken < 8 ? &r[broken].data[r[broken].length - 1] : &bytes[0][0];
        *low ^= broken >= 0 && broken < 8;
        const OctetString* k[8] = {&r[0], &r[1], broken == 8 ? nullptr : &r[2], &r[3], &r[4], &r[5], &r[6], &r[7]};
        EXPECT_EQ(s.Call("JCMVPRsaKeyPairTest", k[0], k[1], k[2], k[3], k[4], k[5], k[6], k[7]), broken < 0 ? 0 : -1)
            << broken;
        *low ^= broken >= 0 && broken < 8;
    }
}

}  // namespace
