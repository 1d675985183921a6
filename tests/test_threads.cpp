// Eight threads run every export but the mode switch for a bounded time
// (KX_THREAD_SECONDS, default 3) on shared read-only records, each into
// outputs of its own. Deterministic results equal those of one thread; random
// ones (sealing, PSS signatures, new keys) go back through the matching
// export. Built with ThreadSanitizer by the tsan preset.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>

#include "test_support.h"

namespace {

// Raw results are minimal: inputs that should come back whole start non-zero.
Bytes NonZeroFirst(Bytes b) { return b[0] |= 0x40, b; }

struct Shared {
    const TestKey& key = KeyOf(512);
    PrivateRecords k{key};
    Bytes x = NonZeroFirst(Pattern(key.k() - 1, 5)), msg = Pattern(20, 6);
    Bytes raw, ctV15, sigV15;  // single-threaded results: x^e mod n, a v1.5 ciphertext, a v1.5 signature
};

// The k-byte-buffer form of the raw operations: minimal big-endian.
Bytes RawOut(const Bytes& buf, const OctetString& out) { return Bytes(buf.begin(), buf.begin() + out.length); }

// One round of every export; the number of results that were not as expected.
int Round(const Shared& s, bool withKeyGeneration) {
    int bad = 0;
    uint32_t error = 0;
    OctetString e = s.key.E(), n = s.key.N(), x = Rec(s.x), msg = Rec(s.msg);
    PrivateRecords k = s.k;
    Bytes buf(s.key.k()), back(s.key.k());
    OctetString out = Rec(buf), backOut = Rec(back);
    bad += KxSealRsaBlock(&e, &n, &x, &out, &error) != 0 || RawOut(buf, out) != s.raw;
    OctetString raw = Rec(s.raw);
    for (int which = 0; which < 3; ++which) {
        backOut = Rec(back);
        const int32_t rc =
            which == 0 ? KxUnsealRsaBlock(&k.d, &k.n, &k.p, &k.q, &k.dP, &k.dQ, &k.qInv, &raw, &backOut, &error)
            : which == 1
                ? KxUnsealRsaBlockBlinding(&k.d, &k.n, &k.p, &k.q, &k.dP, &k.dQ, &k.qInv, &raw, &backOut, &error)
                : KxUnsealRsaBlockBlinding2(&k.d, &e, &k.n, &k.p, &k.q, &k.dP, &k.dQ, &k.qInv, &raw, &backOut,
                                            &error);
        bad += rc != 0 || RawOut(back, backOut) != s.x;
    }
    out = Rec(buf), backOut = Rec(back);
    bad += KxSealRsaBlockPKCS(0x12, &e, &n, &msg, &out, &error) != 0 ||
           KxUnsealRsaBlockPKCS(0x12, &k.d, &k.n, &k.p, &k.q, &k.dP, &k.dQ, &k.qInv, &out, &backOut, &error) != 0 ||
           RawOut(back, backOut) != s.msg;
    OctetString ct = Rec(s.ctV15);
    backOut = Rec(back);
    bad += KxUnsealRsaBlockPKCS(0, &k.d, &k.n, &k.p, &k.q, &k.dP, &k.dQ, &k.qInv, &ct, &backOut, &error) != 0 ||
           RawOut(back, backOut) != s.msg;
    out = Rec(buf);
    bad += KxSignRsaBlockPKCS(0x10003, &k.d, &k.n, &k.p, &k.q, &k.dP, &k.dQ, &k.qInv, &msg, &out, &error) != 0 ||
           buf != s.sigV15;
    out = Rec(buf);
    bad += KxSignRsaBlockPKCS(0x10012, &k.d, &k.n, &k.p, &k.q, &k.dP, &k.dQ, &k.qInv, &msg, &out, &error) != 0 ||
           KxVerifyRsaBlockPKCS(0x10012, &e, &n, &out, &msg, &error) != 0;
    if (withKeyGeneration) {
        std::vector<Bytes> parts(8, Bytes(64));
        OctetString r[8];
        for (int i = 0; i < 8; ++i) r[i] = Rec(parts[i]);
        if (KxGenerateRsaKey(64, 3, &r[0], &r[1], &r[2], &r[3], &r[4], &r[5], &r[6], &r[7], &error) != 0) return bad + 1;
        Bytes m = NonZeroFirst(Pattern(40, 7)), c(64), m2(64);
        OctetString in = Rec(m), cOut = Rec(c), mOut = Rec(m2);
        bad += KxSealRsaBlock(&r[1], &r[2], &in, &cOut, &error) != 0 ||
               KxUnsealRsaBlock(&r[0], &r[2], &r[3], &r[4], &r[5], &r[6], &r[7], &cOut, &mOut, &error) != 0 ||
               RawOut(m2, mOut) != m;
    }
    return bad;
}

TEST(Threads, EveryExportFromEightThreadsGivesTheSingleThreadedResults) {
    Shared s;
    s.raw.assign(s.key.k(), 0);
    OctetString e = s.key.E(), n = s.key.N(), x = Rec(s.x), raw = Rec(s.raw);
    uint32_t error = 0;
    ASSERT_EQ(KxSealRsaBlock(&e, &n, &x, &raw, &error), 0);
    s.raw.resize(raw.length);
    s.ctV15 = KxSeal(0, s.key, s.msg).out;
    s.sigV15 = KxSign(0x10003, s.key, s.msg).out;
    ASSERT_EQ(Round(s, true), 0) << "single-threaded";

    const char* env = std::getenv("KX_THREAD_SECONDS");
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(env ? std::atoi(env) : 3);
    std::atomic<int> bad{0}, rounds{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t)
        threads.emplace_back([&, t] {
            for (int i = 0; std::chrono::steady_clock::now() < end || i == 0; ++i) {
                bad += Round(s, (i + t) % 8 == 7);  // now and then a new key
                ++rounds;
            }
        });
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(bad.load(), 0);
    std::printf("%d rounds in 8 threads\n", rounds.load());
}

}  // namespace
