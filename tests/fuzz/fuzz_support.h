// fuzz_support.h: what every fuzz target shares: the input split into
// arguments, output buffers with a guard zone, and checks that stop the run.
//
// An argument record is read from the input as a kind byte, a two-byte length
// (0 to 511) and, for data, that many bytes (zeros when the input runs out):
//   kind % 8 = 0: no record (a null pointer)    1: a record with null data
//              2: value 0 (all zero bytes)      3: value 1 (zeros, then 01)
//              4: value 2 (even)                5-7: the bytes as given
#ifndef KXRSA_TESTS_FUZZ_FUZZ_SUPPORT_H
#define KXRSA_TESTS_FUZZ_FUZZ_SUPPORT_H

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <initializer_list>
#include <vector>

#include "fuzz_keys.h"
#include "kxrsa.h"

using Bytes = std::vector<uint8_t>;

// Stops the run with a message: libFuzzer keeps the input as a crash.
[[noreturn]] inline void FuzzFail(const char* what, uint32_t value) {
    std::fprintf(stderr, "fuzz check failed: %s (%u)\n", what, value);
    std::abort();
}
inline void FuzzCheck(bool ok, const char* what, uint32_t value = 0) {
    if (!ok) FuzzFail(what, value);
}

class FuzzInput {
public:
    FuzzInput(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    uint8_t Byte() { return pos_ < size_ ? data_[pos_++] : 0; }
    uint32_t Word() {
        uint32_t v = 0;
        for (int i = 0; i < 4; ++i) v = (v << 8) | Byte();
        return v;
    }
    uint32_t Length() { return ((static_cast<uint32_t>(Byte()) << 8) | Byte()) & 511; }
    Bytes Take(uint32_t length) {
        Bytes out(length, 0);
        for (auto& b : out) b = Byte();
        return out;
    }

    // The next argument record; the pointer lives as long as this object.
    const OctetString* Record() {
        const uint8_t kind = Byte() % 8;
        const uint32_t length = Length();
        if (kind == 0) return nullptr;
        Bytes& b = kept_.emplace_back(kind >= 5 ? Take(length) : Bytes(length, 0));
        if ((kind == 3 || kind == 4) && length > 0) b.back() = kind - 2;
        static uint8_t emptyByte;
        records_.push_back({kind == 1 ? nullptr : b.empty() ? &emptyByte : b.data(), length});
        return &records_.back();
    }

private:
    const uint8_t* data_;
    size_t size_, pos_ = 0;
    std::deque<Bytes> kept_;
    std::deque<OctetString> records_;
};

// An output buffer of `capacity` bytes followed by a guard zone, and the
// caller's record over it. Untouched(): buffer, guard zone and the record's
// length as they were given.
struct FuzzOutput {
    static constexpr uint8_t FILL = 0xA5;
    static constexpr uint32_t GUARD = 64;
    static constexpr uint32_t LENGTH = 0xDEAD;

    explicit FuzzOutput(uint32_t capacity) : buffer(capacity + GUARD, FILL), capacity(capacity) {
        record = {buffer.data(), LENGTH};
    }
    bool GuardIntact() const {
        for (uint32_t i = capacity; i < buffer.size(); ++i)
            if (buffer[i] != FILL) return false;
        return true;
    }
    bool Untouched() const {
        for (uint8_t b : buffer)
            if (b != FILL) return false;
        return record.length == LENGTH && record.data == buffer.data();
    }
    Bytes Result() const { return Bytes(buffer.begin(), buffer.begin() + record.length); }

    Bytes buffer;
    uint32_t capacity;
    OctetString record;
};

// The checks every call gets: 0 or -1; on 0 no error; on -1 an error the
// export may give (unless there is no error location), the output unchanged;
// never anything past the output buffer.
inline void CheckCall(int32_t rc, const uint32_t* error, std::initializer_list<uint32_t> allowed,
                      const FuzzOutput* out) {
    FuzzCheck(rc == 0 || rc == -1, "return value", static_cast<uint32_t>(rc));
    if (out != nullptr) FuzzCheck(out->GuardIntact(), "written past the output buffer");
    if (rc == 0) {
        FuzzCheck(error != nullptr && *error == 0, "error set on success", error ? *error : 0);
        if (out != nullptr) FuzzCheck(out->record.length <= out->capacity, "output length", out->record.length);
        return;
    }
    if (out != nullptr) FuzzCheck(out->Untouched(), "output changed on failure");
    if (error == nullptr) return;
    bool known = false;
    for (uint32_t code : allowed) known = known || *error == code;
    FuzzCheck(known, "unexpected error code", *error);
}

inline Bytes FromHex(const char* hex) {
    Bytes out(std::strlen(hex) / 2);
    for (size_t i = 0; i < out.size(); ++i) {
        char pair[3] = {hex[2 * i], hex[2 * i + 1], 0};
        out[i] = static_cast<uint8_t>(std::strtoul(pair, nullptr, 16));
    }
    return out;
}

// A fixed key as records in the exports' order.
struct FuzzKey {
    explicit FuzzKey(const FuzzKeyHex& hex)
        : n(FromHex(hex.n)), e(FromHex(hex.e)), d(FromHex(hex.d)), p(FromHex(hex.p)), q(FromHex(hex.q)),
          dP(FromHex(hex.dP)), dQ(FromHex(hex.dQ)), qInv(FromHex(hex.qInv)) {}
    static OctetString Rec(Bytes& b) { return {b.data(), static_cast<uint32_t>(b.size())}; }
    uint32_t k() const { return static_cast<uint32_t>(n.size()); }
    Bytes n, e, d, p, q, dP, dQ, qInv;
};

inline FuzzKey& FuzzKeyOf(bool small) {
    static FuzzKey key512(FUZZ_KEY_512), key1024(FUZZ_KEY_1024);
    return small ? key512 : key1024;
}

// The records of one of the fixed keys.
struct FuzzKeyRecords {
    explicit FuzzKeyRecords(bool small) : key(FuzzKeyOf(small)) {}
    FuzzKey& key;
    OctetString d = key.Rec(key.d), e = key.Rec(key.e), n = key.Rec(key.n), p = key.Rec(key.p), q = key.Rec(key.q),
                dP = key.Rec(key.dP), dQ = key.Rec(key.dQ), qInv = key.Rec(key.qInv);
};

#endif
