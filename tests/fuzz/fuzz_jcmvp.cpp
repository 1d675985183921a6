// Fuzz target: the JCMVP mode switch interleaved with operations on a fixed
// key. Input: up to 16 steps of one byte each: a switch to mode 0, mode 1 or
// an arbitrary value (4 more bytes), or an operation: raw public and private
// operations, sealing and unsealing, signing and verifying, with a message
// taken from the input. Every operation succeeds and its result goes back
// through the matching operation, in either mode (the self-test passes with
// the real libraries); the mode is switched off after each input.
#include <dlfcn.h>

#include "fuzz_support.h"

namespace {
// The mode switch loads and unloads the status library and the HMAC sibling.
// libFuzzer keeps counters in every instrumented library it has seen, so
// these two stay mapped for the whole run: a reference of our own, never
// dropped (RTLD_NODELETE). The switch's own handles come and go as before.
const bool g_pinned = dlopen("libkxjcmvp.so", RTLD_NOW | RTLD_NODELETE) != nullptr &&
                      dlopen("libkxhmac.so", RTLD_NOW | RTLD_NODELETE) != nullptr;

struct Fixture : FuzzKeyRecords {
    Fixture() : FuzzKeyRecords(true) {}
};

// The raw private result of `input`, by one of three exports.
Bytes Private(Fixture& f, int which, OctetString* input) {
    FuzzOutput out(f.key.k());
    uint32_t error = 12345;
    const int32_t rc =
        which == 0 ? KxUnsealRsaBlock(&f.d, &f.n, &f.p, &f.q, &f.dP, &f.dQ, &f.qInv, input, &out.record, &error)
        : which == 1
            ? KxUnsealRsaBlockBlinding(&f.d, &f.n, &f.p, &f.q, &f.dP, &f.dQ, &f.qInv, input, &out.record, &error)
            : KxUnsealRsaBlockBlinding2(&f.d, &f.e, &f.n, &f.p, &f.q, &f.dP, &f.dQ, &f.qInv, input, &out.record,
                                        &error);
    CheckCall(rc, &error, {}, &out);
    return out.Result();
}

void Operation(Fixture& f, uint8_t op, Bytes message) {
    uint32_t error = 12345;
    OctetString m{message.data(), static_cast<uint32_t>(message.size())};
    const uint32_t scheme = (op & 0x20) ? 0x12u : 0u;  // OAEP with SHA-1, or v1.5
    switch (op % 4) {
        case 0: {  // raw public, then each private export takes it back
            message.resize(f.key.k() - 1);
            m = {message.data(), static_cast<uint32_t>(message.size())};
            FuzzOutput c(f.key.k());
            CheckCall(KxSealRsaBlock(&f.e, &f.n, &m, &c.record, &error), &error, {}, &c);
            Bytes trimmed = message;
            while (!trimmed.empty() && trimmed.front() == 0) trimmed.erase(trimmed.begin());
            FuzzCheck(Private(f, (op >> 2 & 3) % 3, &c.record) == trimmed, "raw round trip");
            break;
        }
        case 1: {  // seal and unseal
            if (message.size() > 11) message.resize(11);
            m = {message.data(), static_cast<uint32_t>(message.size())};
            FuzzOutput c(f.key.k()), back(f.key.k());
            CheckCall(KxSealRsaBlockPKCS(scheme, &f.e, &f.n, &m, &c.record, &error), &error, {}, &c);
            CheckCall(KxUnsealRsaBlockPKCS(scheme, &f.d, &f.n, &f.p, &f.q, &f.dP, &f.dQ, &f.qInv, &c.record,
                                           &back.record, &error),
                      &error, {}, &back);
            FuzzCheck(back.Result() == message, "PKCS round trip");
            break;
        }
        default: {  // sign and verify (v1.5 or PSS with SHA-1)
            const uint32_t sigScheme = op % 4 == 2 ? 0x10002u : 0x10012u;
            FuzzOutput s(f.key.k());
            CheckCall(KxSignRsaBlockPKCS(sigScheme, &f.d, &f.n, &f.p, &f.q, &f.dP, &f.dQ, &f.qInv, &m, &s.record,
                                         &error),
                      &error, {}, &s);
            CheckCall(KxVerifyRsaBlockPKCS(sigScheme, &f.e, &f.n, &s.record, &m, &error), &error, {}, nullptr);
            break;
        }
    }
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Fixture f;
    FuzzCheck(g_pinned, "status library not found");
    FuzzInput in(data, size);
    for (int step = 0; step < 16 && size > 0; ++step) {
        const uint8_t op = in.Byte();
        if (op >= 0xC0) {
            const int32_t mode = op == 0xC0 ? 0 : op == 0xC1 ? 1 : static_cast<int32_t>(in.Word());
            FuzzCheck(KxRsaSetJCMVPMode(mode) == 0, "mode switch failed", static_cast<uint32_t>(mode));
        } else {
            Operation(f, op, in.Take(in.Byte() % 80));
        }
    }
    FuzzCheck(KxRsaSetJCMVPMode(0) == 0, "switching off failed");
    return 0;
}
