// The real status library libkxjcmvp.so on its own: a program that does not
// link kxrsa loads it by path, then loads (RTLD_LOCAL, as an application
// might) the real libkxrsa.so or a stand-in whose operations give wrong
// results. Each test runs in a process of its own.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdint>

namespace {

struct Library {
    explicit Library(const char* path) : handle(dlopen(path, RTLD_NOW | RTLD_LOCAL)) {}
    ~Library() {
        if (handle != nullptr) dlclose(handle);
    }
    template <typename F>
    F Find(const char* name) const {
        return reinterpret_cast<F>(dlsym(handle, name));
    }
    void* handle;
};

struct StatusLibrary : Library {
    StatusLibrary() : Library(KX_JCMVP_LIBRARY) {}
    int32_t FamilyStatus() const { return Find<int32_t (*)()>("KxJCMVPGetStatus")(); }
    int32_t FamilySelfTest() const { return Find<int32_t (*)()>("KxJCMVPPowerUpSelfTest")(); }
    int32_t Set(int32_t module, int32_t status) const {
        return Find<int32_t (*)(int32_t, int32_t)>("JCMVPSetStatus")(module, status);
    }
    int32_t Get(int32_t module) const { return Find<int32_t (*)(int32_t)>("JCMVPGetStatus")(module); }
    int32_t SelfTest(int32_t module) const { return Find<int32_t (*)(int32_t)>("JCMVPPowerUpSelfTest")(module); }
};

constexpr int32_t MODULES[] = {0, 7, 11, 12, 13, 14};

TEST(KxJcmvpAlone, FamilyStatusIsTheHighestModuleStatus) {
    StatusLibrary s;
    ASSERT_NE(s.handle, nullptr) << dlerror();
    for (int32_t m : MODULES) EXPECT_EQ(s.Get(m), 0) << m;
    EXPECT_EQ(s.FamilyStatus(), 0);
    EXPECT_EQ(s.Set(7, 1), 0);
    EXPECT_EQ(s.Set(12, 1), 0);
    EXPECT_EQ(s.FamilyStatus(), 1);
    EXPECT_EQ(s.Set(13, 3), 0);
    EXPECT_EQ(s.FamilyStatus(), 3);
    EXPECT_EQ(s.Set(0, 4), 0);
    EXPECT_EQ(s.FamilyStatus(), 4) << "any module in error puts the family in error";
    EXPECT_EQ(s.Set(0, 0), 0);
    EXPECT_EQ(s.Set(13, 1), 0);
    EXPECT_EQ(s.FamilyStatus(), 1);
    EXPECT_EQ(s.Get(12), 1);

    // Unknown modules and statuses are refused and change nothing.
    for (int32_t bad : {-1, 1, 6, 15, 99}) {
        EXPECT_EQ(s.Set(bad, 4), -1) << bad;
        EXPECT_EQ(s.Get(bad), -1) << bad;
        EXPECT_NE(s.SelfTest(bad), 0) << bad;
    }
    EXPECT_EQ(s.Set(13, 5), -1);
    EXPECT_EQ(s.Set(13, -1), -1);
    EXPECT_EQ(s.FamilyStatus(), 1);
}

TEST(KxJcmvpAlone, SelfTestFailsWithoutKxrsa) {
    StatusLibrary s;
    ASSERT_NE(s.handle, nullptr) << dlerror();
    EXPECT_NE(s.SelfTest(13), 0);
    for (int32_t m : {0, 7, 11, 12, 14}) EXPECT_EQ(s.SelfTest(m), 0) << m;
    // The family self-test covers the modules in the mode only.
    EXPECT_EQ(s.FamilySelfTest(), 0);
    EXPECT_EQ(s.Set(13, 1), 0);
    EXPECT_EQ(s.FamilySelfTest(), -1);
    EXPECT_EQ(s.Get(13), 4);
    EXPECT_EQ(s.FamilyStatus(), 4);
}

TEST(KxJcmvpAlone, SelfTestRefusesWrongResults) {
    Library rsa(KX_BROKEN_RSA_LIBRARY);
    ASSERT_NE(rsa.handle, nullptr) << dlerror();
    StatusLibrary s;
    EXPECT_EQ(s.SelfTest(13), 1);
}

TEST(KxJcmvpAlone, SelfTestPassesWithKxrsaLoadedLocally) {
    Library rsa(KX_RSA_LIBRARY);
    ASSERT_NE(rsa.handle, nullptr) << dlerror();
    StatusLibrary s;
    EXPECT_EQ(s.SelfTest(13), 0);
    EXPECT_EQ(s.Set(13, 1), 0);
    EXPECT_EQ(s.FamilySelfTest(), 0);
    EXPECT_EQ(s.Get(13), 1);
}

}  // namespace
