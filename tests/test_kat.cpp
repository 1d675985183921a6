// The known answers of tests/vectors/kat_rsa.txt (kat_file.h; made by
// kat_generate with OpenSSL and GMP as the oracles) through the exports of the
// shipped library, so that the Linux and the Windows builds are held to the
// same results. The raw operations need no particular generator; the PKCS
// outputs and generated keys follow from the scripted generator's seed
// (*FakeRng*: test_kat_fake_rng).
#include <gtest/gtest.h>

#include "fakes/fake_rng.h"
#include "kat_file.h"

namespace {

struct Kat {
    std::map<std::string, TestKey> keys;
    std::map<std::string, std::vector<KatStanza>> byOp;
};

const Kat& TheKat() {
    static const Kat kat = [] {
        Kat k;
        for (const KatStanza& s : ReadKatFile(KX_VECTORS_DIR "/kat_rsa.txt")) {
            if (s["op"] == "key") k.keys[s["name"]] = KatKey(s);
            k.byOp[s["op"]].push_back(s);
        }
        return k;
    }();
    return kat;
}

const std::vector<KatStanza>& Stanzas(const char* op, size_t atLeast) {
    static const std::vector<KatStanza> none;
    auto it = TheKat().byOp.find(op);
    const std::vector<KatStanza>& stanzas = it != TheKat().byOp.end() ? it->second : none;
    EXPECT_GE(stanzas.size(), atLeast) << op << " stanzas in kat_rsa.txt";
    return stanzas;
}

const TestKey& KeyNamedIn(const KatStanza& s) {
    auto it = TheKat().keys.find(s["key"]);
    if (it == TheKat().keys.end()) ADD_FAILURE() << "kat_rsa.txt:" << s.line << ": no key " << s["key"];
    return it->second;
}

using RawCall = int32_t (*)(const TestKey&, const OctetString*, OctetString*, uint32_t*);

// Each raw export on the stanza's input: the public one gives `sealed`, the
// three private ones `unsealed`, in minimal form.
TEST(Kat, RawOperations) {
    const std::pair<const char*, RawCall> CALLS[] = {
        {"sealed", [](const TestKey& k, const OctetString* in, OctetString* out, uint32_t* error) {
             OctetString e = Rec(k.e), n = Rec(k.n);
             return KxSealRsaBlock(&e, &n, in, out, error);
         }},
        {"unsealed", [](const TestKey& k, const OctetString* in, OctetString* out, uint32_t* error) {
             PrivateRecords r(k);
             return KxUnsealRsaBlock(&r.d, &r.n, &r.p, &r.q, &r.dP, &r.dQ, &r.qInv, in, out, error);
         }},
        {"unsealed", [](const TestKey& k, const OctetString* in, OctetString* out, uint32_t* error) {
             PrivateRecords r(k);
             return KxUnsealRsaBlockBlinding(&r.d, &r.n, &r.p, &r.q, &r.dP, &r.dQ, &r.qInv, in, out, error);
         }},
        {"unsealed", [](const TestKey& k, const OctetString* in, OctetString* out, uint32_t* error) {
             PrivateRecords r(k);
             OctetString e = Rec(k.e);
             return KxUnsealRsaBlockBlinding2(&r.d, &e, &r.n, &r.p, &r.q, &r.dP, &r.dQ, &r.qInv, in, out, error);
         }},
    };
    for (const KatStanza& s : Stanzas("raw", 18)) {
        const TestKey& key = KeyNamedIn(s);
        const Bytes in = s.Hex("in");
        const OctetString input = Rec(in);
        for (size_t i = 0; i < std::size(CALLS); ++i) {
            Bytes buffer(key.k(), 0xA5);
            OctetString out{buffer.data(), 0xEE};
            uint32_t error = 62;
            EXPECT_EQ(CALLS[i].second(key, &input, &out, &error), 0);
            EXPECT_EQ(error, 0u);
            EXPECT_EQ(ToHex(buffer.data(), out.length), s[CALLS[i].first])
                << "kat_rsa.txt:" << s.line << ", export " << i;
        }
    }
}

// The PKCS outputs for the generator's seed; each also goes back through
// kxrsa's inverse operation.
TEST(KatFakeRng, PkcsOutputs) {
    KX_REQUIRE_FAKE_RNG();
    for (auto [op, count] : {std::pair{"seal", 14}, {"sign", 24}}) {
        for (const KatStanza& s : Stanzas(op, count)) {
            SCOPED_TRACE(testing::Message() << "kat_rsa.txt:" << s.line << ", scheme " << s["scheme"]);
            const TestKey& key = KeyNamedIn(s);
            const uint32_t scheme = s.Number("scheme"), error = s.Number("error");
            const Bytes in = s.Hex("in");
            FakeRng().reset(s.Number("seed"));
            const KxResult r = op[1] == 'e' ? KxSeal(scheme, key, in) : KxSign(scheme, key, in);
            EXPECT_EQ(r.rc, error == 0 ? 0 : -1);
            EXPECT_EQ(r.error, error);
            EXPECT_EQ(ToHex(r.out), s["out"]);
            if (error != 0) continue;
            if (op[1] == 'e') EXPECT_EQ(KxUnseal(scheme, key, r.out).out, in);
            else EXPECT_EQ(KxVerify(scheme, key, r.out, in).rc, 0);
        }
    }
}

// Key generation from the generator's seed: every component, every length.
TEST(KatFakeRng, KeyGeneration) {
    KX_REQUIRE_FAKE_RNG();
    for (const KatStanza& s : Stanzas("keygen", 4)) {
        SCOPED_TRACE(testing::Message() << "kat_rsa.txt:" << s.line);
        const uint32_t modulusLength = s.Number("modulusLength"), exponentLength = s.Number("exponentLength");
        const TestKey expected = KatKey(s);
        const Bytes* wanted[8] = {&expected.d, &expected.e, &expected.n, &expected.p,
                                  &expected.q, &expected.dP, &expected.dQ, &expected.qInv};
        Bytes parts[8];
        OctetString r[8];
        for (int i = 0; i < 8; ++i) {
            parts[i].assign(i == 1 ? exponentLength : i == 0 || i == 2 ? modulusLength : modulusLength / 2, 0xA5);
            r[i] = {parts[i].data(), 0xEE};
        }
        uint32_t error = 62;
        FakeRng().reset(s.Number("seed"));
        EXPECT_EQ(KxGenerateRsaKey(modulusLength, static_cast<int32_t>(exponentLength), &r[0], &r[1], &r[2], &r[3],
                                   &r[4], &r[5], &r[6], &r[7], &error),
                  0);
        EXPECT_EQ(error, s.Number("error"));
        for (int i = 0; i < 8; ++i)
            EXPECT_EQ(ToHex(parts[i].data(), r[i].length), ToHex(*wanted[i])) << KAT_KEY_FIELDS[i];
    }
}

}  // namespace
