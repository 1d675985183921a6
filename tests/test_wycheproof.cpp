// The Wycheproof vectors of ../shared/vectors/wycheproof/ (see the README
// there) through the PKCS #1 exports of libkxrsa.so, one table-driven test per
// file. Expected verdict: `kxrsaResult` when present, else `result`; a valid
// vector must succeed with the vector's output, an invalid one must fail with
// the export's own code (547 decrypting, 549 verifying).
#include <gtest/gtest.h>

#include <fstream>
#include <nlohmann/json.hpp>
#include <string>

#include "kxrsa.h"

using Bytes = std::vector<uint8_t>;
using nlohmann::json;

namespace {

Bytes Hex(const json& t, const char* field) {
    const std::string hex = t.at(field).get<std::string>();
    Bytes out(hex.size() / 2);
    for (size_t i = 0; i < out.size(); ++i)
        out[i] = static_cast<uint8_t>(std::stoul(hex.substr(2 * i, 2), nullptr, 16));
    return out;
}

OctetString Rec(const Bytes& b) {
    static uint8_t emptyByte;
    return OctetString{b.empty() ? &emptyByte : const_cast<uint8_t*>(b.data()),
                       static_cast<uint32_t>(b.size())};
}

json Load(const char* name) {
    std::ifstream in(std::string(KX_SHARED_VECTORS_DIR) + "/wycheproof/" + name);
    EXPECT_TRUE(in.good()) << name;
    json doc = json::parse(in, nullptr, false);
    EXPECT_FALSE(doc.is_discarded()) << name;
    EXPECT_EQ(doc.at("tests").size(), doc.at("numberOfTests").get<size_t>());
    return doc;
}

bool ExpectValid(const json& t) {
    const std::string verdict = t.value("kxrsaResult", t.at("result").get<std::string>());
    EXPECT_TRUE(verdict == "valid" || verdict == "invalid") << verdict;
    return verdict == "valid";
}

std::string Where(const json& t) {
    return t.at("file").get<std::string>() + " tcId " + std::to_string(t.at("tcId").get<int>()) +
           " (" + t.value("comment", "") + ")";
}

// The private key of a vector, in the exports' order.
struct PrivateKey {
    Bytes d, n, p, q, dP, dQ, qInv;
    explicit PrivateKey(const json& t)
        : d(Hex(t, "d")), n(Hex(t, "n")), p(Hex(t, "p")), q(Hex(t, "q")), dP(Hex(t, "dP")),
          dQ(Hex(t, "dQ")), qInv(Hex(t, "qInv")) {}
};

// Runs `check` on every test of the file; returns how many valid and invalid ran.
template <typename Check>
void ForEachVector(const char* file, Check check) {
    json doc = Load(file);
    size_t valid = 0, invalid = 0;
    for (const json& t : doc.at("tests")) {
        SCOPED_TRACE(Where(t));
        const bool expectValid = ExpectValid(t);
        check(t, expectValid);
        ++(expectValid ? valid : invalid);
        if (testing::Test::HasFatalFailure()) return;
    }
    EXPECT_EQ(valid + invalid, doc.at("tests").size());
    std::printf("%s: %zu valid, %zu invalid\n", file, valid, invalid);
}

void CheckDecrypt(const json& t, bool expectValid) {
    PrivateKey key(t);
    Bytes ct = Hex(t, "ct"), msg = Hex(t, "msg");
    Bytes buffer(std::max(key.n.size(), ct.size()), 0xCC);
    OctetString d = Rec(key.d), n = Rec(key.n), p = Rec(key.p), q = Rec(key.q), dP = Rec(key.dP),
                dQ = Rec(key.dQ), qInv = Rec(key.qInv), in = Rec(ct), out{buffer.data(), 0};
    uint32_t error = 0xFFFF;
    const int32_t rc = KxUnsealRsaBlockPKCS(t.at("scheme").get<uint32_t>(), &d, &n, &p, &q, &dP,
                                            &dQ, &qInv, &in, &out, &error);
    if (expectValid) {
        ASSERT_EQ(rc, 0) << "error " << error;
        EXPECT_EQ(error, 0u);
        ASSERT_EQ(out.length, msg.size());
        EXPECT_TRUE(std::equal(msg.begin(), msg.end(), buffer.begin()));
    } else {
        EXPECT_EQ(rc, -1);
        EXPECT_EQ(error, 547u);
    }
}

int32_t Verify(const json& t, const Bytes& sig, uint32_t* error) {
    Bytes e = Hex(t, "e"), n = Hex(t, "n"), msg = Hex(t, "msg");
    OctetString eRec = Rec(e), nRec = Rec(n), sigRec = Rec(sig), msgRec = Rec(msg);
    return KxVerifyRsaBlockPKCS(t.at("scheme").get<uint32_t>(), &eRec, &nRec, &sigRec, &msgRec,
                                error);
}

void CheckVerify(const json& t, bool expectValid) {
    uint32_t error = 0xFFFF;
    const int32_t rc = Verify(t, Hex(t, "sig"), &error);
    EXPECT_EQ(rc, expectValid ? 0 : -1);
    EXPECT_EQ(error, expectValid ? 0u : 549u);
}

void CheckSign(const json& t, bool expectValid) {
    ASSERT_TRUE(expectValid);  // every signing vector has a definite signature
    PrivateKey key(t);
    Bytes msg = Hex(t, "msg"), sig = Hex(t, "sig"), buffer(key.n.size(), 0xCC);
    OctetString d = Rec(key.d), n = Rec(key.n), p = Rec(key.p), q = Rec(key.q), dP = Rec(key.dP),
                dQ = Rec(key.dQ), qInv = Rec(key.qInv), in = Rec(msg), out{buffer.data(), 0};
    uint32_t error = 0xFFFF;
    ASSERT_EQ(KxSignRsaBlockPKCS(t.at("scheme").get<uint32_t>(), &d, &n, &p, &q, &dP, &dQ, &qInv,
                                 &in, &out, &error),
              0)
        << "error " << error;
    ASSERT_EQ(out.length, key.n.size());
    EXPECT_EQ(buffer, sig);
    EXPECT_EQ(Verify(t, sig, &error), 0);
    EXPECT_EQ(error, 0u);
}

}  // namespace

TEST(Wycheproof, V15Decrypt) { ForEachVector("rsa_pkcs1v15_decrypt.json", CheckDecrypt); }
TEST(Wycheproof, OaepDecrypt) { ForEachVector("rsa_oaep_decrypt.json", CheckDecrypt); }
TEST(Wycheproof, V15SignatureVerify) { ForEachVector("rsa_pkcs1v15_sig_verify.json", CheckVerify); }
TEST(Wycheproof, V15SignatureGenerate) { ForEachVector("rsa_pkcs1v15_sig_generate.json", CheckSign); }
TEST(Wycheproof, PssVerify) { ForEachVector("rsa_pss_verify.json", CheckVerify); }
