// Timing of the decoders of encryption blocks, in the manner of dudect: valid
// blocks and blocks of each kind of failure, decoded in random interleaving,
// each decode timed alone; Welch's t of each failure class against the valid
// class. |t| below 4.5 means no difference shows at this many decodes.
// DecodeBlock is not exported: the program links the static core with the
// shipped heap.
//
// Usage: kxrsa_decode_timing [decodes per scheme, default 1000000]
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#if defined(__x86_64__)
#include <x86intrin.h>
#endif

#include "kxrsa.h"
#include "pkcs1.h"

namespace {

using Bytes = std::vector<uint8_t>;
constexpr uint32_t kK = 256;          // 2048-bit blocks
constexpr uint32_t kPoolSize = 256;   // distinct blocks per class
constexpr uint32_t kDataLength = 32;

uint64_t Ticks() {
#if defined(__x86_64__)
    unsigned int aux;
    _mm_lfence();
    return __rdtscp(&aux);
#else
    return std::chrono::steady_clock::now().time_since_epoch().count();
#endif
}

struct Class {
    const char* name;
    std::vector<Bytes> blocks;
    std::vector<uint32_t> ticks;
};

struct Moments {
    double n = 0, mean = 0, m2 = 0;
    void Add(double x) {
        n += 1;
        const double d = x - mean;
        mean += d / n;
        m2 += d * (x - mean);
    }
    double Variance() const { return n > 1 ? m2 / (n - 1) : 0; }
};

// Welch's t of b against a over the measurements at most `limit` (all when 0).
double WelchT(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b, uint32_t limit) {
    Moments ma, mb;
    for (uint32_t x : a) if (limit == 0 || x <= limit) ma.Add(x);
    for (uint32_t x : b) if (limit == 0 || x <= limit) mb.Add(x);
    return (mb.mean - ma.mean) / std::sqrt(ma.Variance() / ma.n + mb.Variance() / mb.n);
}

uint32_t Percentile(std::vector<uint32_t> v, double p) {
    std::nth_element(v.begin(), v.begin() + size_t(p * double(v.size() - 1)), v.end());
    return v[size_t(p * double(v.size() - 1))];
}

Bytes RandomBytes(std::mt19937& random, size_t n) {
    Bytes b(n);
    for (auto& x : b) x = uint8_t(random());
    return b;
}

// v1.5 type-2 blocks: 00 02 PS 00 M, PS without zeros; `kind` spoils one part.
Bytes V15Block(std::mt19937& random, int kind) {
    Bytes em = RandomBytes(random, kK);
    for (auto& x : em) x |= uint8_t(x == 0);
    uint32_t separator = kK - kDataLength - 1;
    if (kind == 4) separator = 2 + random() % 8;  // padding too short
    if (kind == 5) separator = kK - 1;            // separator at the last byte: valid, no data
    em[0] = 0x00, em[1] = 0x02, em[separator] = 0x00;
    if (kind == 1) em[0] = uint8_t(1 + random() % 255);
    if (kind == 2) em[1] = random() % 2 ? 0x01 : 0x03;
    if (kind == 3) em[separator] = 0x5A;          // no separator
    return em;
}

// OAEP blocks (SHA-256, empty label) of DB = lHash 00.. 01 M; `kind` spoils one part.
Bytes OaepBlock(std::mt19937& random, uint32_t scheme, int kind) {
    const uint32_t hLen = SchemeHashLength(scheme), dbLen = kK - hLen - 1;
    Bytes db = RandomBytes(random, dbLen), seed = RandomBytes(random, hLen);
    uint32_t error = 0;
    SchemeDigest(scheme, 0, nullptr, db.data(), &error);
    uint32_t one = dbLen - kDataLength - 1;
    if (kind == 5) one = dbLen - 1;  // the 01 last: valid, no data
    std::fill(db.begin() + hLen, db.begin() + one, 0x00);
    db[one] = 0x01;
    if (kind == 2) db[random() % hLen] ^= uint8_t(1 + random() % 255);  // label hash wrong
    if (kind == 3) std::fill(db.begin() + hLen, db.end(), 0x00);         // no 01
    if (kind == 4) db[one] = uint8_t(2 + random() % 254);                // not 01 after the zeros
    Bytes dbMask(dbLen), seedMask(hLen);
    Mgf1(scheme, hLen, seed.data(), dbLen, dbMask.data(), &error);
    for (uint32_t i = 0; i < dbLen; ++i) db[i] ^= dbMask[i];
    Mgf1(scheme, dbLen, db.data(), hLen, seedMask.data(), &error);
    Bytes em{uint8_t(kind == 1 ? 1 + random() % 255 : 0)};
    for (uint32_t i = 0; i < hLen; ++i) em.push_back(seed[i] ^ seedMask[i]);
    em.insert(em.end(), db.begin(), db.end());
    return em;
}

void Run(const char* title, uint32_t scheme, std::vector<Class> classes, uint64_t decodes, std::mt19937& random) {
    const bool oaep = scheme != KxSchemeV15Encryption;
    for (size_t c = 0; c < classes.size(); ++c)
        for (uint32_t i = 0; i < kPoolSize; ++i)
            classes[c].blocks.push_back(oaep ? OaepBlock(random, scheme, int(c)) : V15Block(random, int(c)));
    // Every class decodes as intended before anything is timed.
    const OctetString modulus{nullptr, kK};
    Bytes out(kK);
    auto decode = [&](const Bytes& em) {
        OctetString block{const_cast<uint8_t*>(em.data()), kK}, output{out.data(), kK - 1};
        uint32_t error = 0;
        return DecodeBlock(scheme, &modulus, &block, &output, &error);
    };
    for (size_t c = 0; c < classes.size(); ++c)
        for (const Bytes& em : classes[c].blocks)
            if ((decode(em) == kBlockOk) != (c == 0 || c == 5)) {
                std::fprintf(stderr, "%s: a block of class %s decodes wrongly\n", title, classes[c].name);
                std::exit(1);
            }

    for (uint64_t i = 0; i < decodes; ++i) {
        Class& c = classes[random() % classes.size()];
        const Bytes& em = c.blocks[random() % kPoolSize];
        const uint64_t start = Ticks();
        decode(em);
        const uint64_t end = Ticks();
        c.ticks.push_back(uint32_t(std::min<uint64_t>(end - start, UINT32_MAX)));
    }

    std::vector<uint32_t> all;
    for (const Class& c : classes) all.insert(all.end(), c.ticks.begin(), c.ticks.end());
    const uint32_t p50 = Percentile(all, 0.5), p90 = Percentile(all, 0.9);
    std::printf("\n%s, k = %u, %llu decodes (ticks: %s)\n", title, kK, (unsigned long long)decodes,
#if defined(__x86_64__)
                "TSC"
#else
                "ns"
#endif
    );
    std::printf("%-28s %9s %10s %10s %10s %10s\n", "class", "decodes", "median", "t (all)", "t (<p90)", "t (<p50)");
    for (const Class& c : classes) {
        const bool self = &c == &classes[0];
        std::printf("%-28s %9zu %10u", c.name, c.ticks.size(), Percentile(c.ticks, 0.5));
        if (self)
            std::printf(" %10s %10s %10s\n", "-", "-", "-");
        else
            std::printf(" %10.2f %10.2f %10.2f\n", WelchT(classes[0].ticks, c.ticks, 0),
                        WelchT(classes[0].ticks, c.ticks, p90), WelchT(classes[0].ticks, c.ticks, p50));
    }
}

}  // namespace

int main(int argc, char** argv) {
    const uint64_t decodes = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 1000000;
    std::mt19937 random(20261207);
    Run("PKCS #1 v1.5 type 2", KxSchemeV15Encryption,
        {{"valid", {}, {}}, {"first byte not zero", {}, {}}, {"wrong block type", {}, {}},
         {"no separator", {}, {}}, {"padding too short", {}, {}}, {"separator at the last byte", {}, {}}},
        decodes, random);
    Run("OAEP SHA-256", KxSchemeOaep + uint32_t(KxHashSha256),
        {{"valid", {}, {}}, {"first byte not zero", {}, {}}, {"label hash wrong", {}, {}},
         {"no separator", {}, {}}, {"not 01 after the zeros", {}, {}}, {"separator at the last byte", {}, {}}},
        decodes, random);
    return 0;
}
