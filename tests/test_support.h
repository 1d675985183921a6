// test_support.h: small helpers shared by the test programs.
#ifndef KXRSA_TESTS_TEST_SUPPORT_H
#define KXRSA_TESTS_TEST_SUPPORT_H

#include <gmp.h>

#include <cstdint>
#include <string>
#include <vector>

#include "frame.h"
#include "kxrsa.h"

using Bytes = std::vector<uint8_t>;

// A record over a byte string; kxrsa only reads input records. An empty
// string still gets a non-null data pointer (a null one is a missing record).
inline OctetString Rec(const Bytes& b) {
    static uint8_t emptyByte;
    uint8_t* data = b.empty() ? &emptyByte : const_cast<uint8_t*>(b.data());
    return OctetString{data, static_cast<uint32_t>(b.size())};
}

inline Bytes FromHex(const std::string& hex) {
    Bytes out(hex.size() / 2);
    for (size_t i = 0; i < out.size(); ++i) out[i] = static_cast<uint8_t>(std::stoul(hex.substr(2 * i, 2), nullptr, 16));
    return out;
}

inline std::string ToHex(const uint8_t* data, size_t length) {
    static const char* DIGITS = "0123456789abcdef";
    std::string s;
    for (size_t i = 0; i < length; ++i) {
        s += DIGITS[data[i] >> 4];
        s += DIGITS[data[i] & 15];
    }
    return s;
}
inline std::string ToHex(const Bytes& b) { return ToHex(b.data(), b.size()); }

// Big-endian bytes to and from GMP integers (minimal form; zero is empty).
inline void MpzFromBytes(mpz_t r, const Bytes& b) { mpz_import(r, b.size(), 1, 1, 1, 0, b.data()); }
inline Bytes BytesFromMpz(const mpz_t v) {
    Bytes out((mpz_sizeinbase(v, 2) + 7) / 8);
    size_t count = 0;
    if (mpz_sgn(v) != 0) mpz_export(out.data(), &count, 1, 1, 1, 0, v);
    out.resize(count);
    return out;
}

// Puts the entry gate into the JCMVP error state for the life of the scope,
// without a status library: the mode state is pointed at a stand-in.
struct JcmvpErrorStateScope {
    JcmvpErrorStateScope() : saved(g_jcmvp) {
        static int dummyLibrary;
        g_jcmvp.library = &dummyLibrary;
        g_jcmvp.getFamilyStatus = [] { return int32_t{4}; };
    }
    ~JcmvpErrorStateScope() { g_jcmvp = saved; }
    JcmvpModeState saved;
};

#endif
