// The Wycheproof vectors of tests/vectors/wycheproof/ through the PKCS #1
// exports of libkxrsa.so. Verdict: `kxrsaResult`, else `result`; valid: success
// with the vector's output; invalid: the export's code (547 / 549).
#include <gtest/gtest.h>

#include <fstream>
#include <nlohmann/json.hpp>

#include "test_records.h"

using nlohmann::json;

namespace {

Bytes Hex(const json& t, const char* field) { return FromHex(t.at(field).get<std::string>()); }

void RunFile(const char* name) {
    std::ifstream in(std::string(KX_VECTORS_DIR) + "/wycheproof/" + name);
    ASSERT_TRUE(in.good()) << name;
    const json doc = json::parse(in);
    const std::string op = doc.at("operation").get<std::string>();
    ASSERT_EQ(doc.at("tests").size(), doc.at("numberOfTests").get<size_t>());
    for (const json& t : doc.at("tests")) {
        SCOPED_TRACE(t.at("file").get<std::string>() + " tcId " + std::to_string(t.at("tcId").get<int>()) +
                     " (" + t.value("comment", "") + ")");
        const std::string verdict = t.value("kxrsaResult", t.at("result").get<std::string>());
        ASSERT_TRUE(verdict == "valid" || verdict == "invalid") << verdict;
        const bool ok = verdict == "valid";
        TestKey key{nullptr, Hex(t, "n"), Hex(t, "e")};  // the vector's key
        const uint32_t scheme = t.at("scheme").get<uint32_t>();
        const Bytes msg = Hex(t, "msg");
        for (auto [field, to] : {std::pair{"d", &key.d}, {"p", &key.p}, {"q", &key.q}, {"dP", &key.dP},
                                 {"dQ", &key.dQ}, {"qInv", &key.qInv}})
            if (op != "verify") *to = Hex(t, field);
        KxResult r = op == "decrypt" ? KxUnseal(scheme, key, Hex(t, "ct"))
                     : op == "sign"  ? KxSign(scheme, key, msg)
                                     : KxVerify(scheme, key, Hex(t, "sig"), msg);
        EXPECT_EQ(r.rc, ok ? 0 : -1);
        EXPECT_EQ(r.error, ok ? 0u : op == "decrypt" ? 547u : 549u);
        if (ok && op == "decrypt") EXPECT_EQ(ToHex(r.out), ToHex(msg));
        if (op == "sign") {
            ASSERT_TRUE(ok);  // every signing vector has a definite signature
            EXPECT_EQ(ToHex(r.out), ToHex(Hex(t, "sig")));
            EXPECT_EQ(KxVerify(scheme, key, r.out, msg).rc, 0);
        }
    }
}

}  // namespace

TEST(Wycheproof, V15Decrypt) { RunFile("rsa_pkcs1v15_decrypt.json"); }
TEST(Wycheproof, OaepDecrypt) { RunFile("rsa_oaep_decrypt.json"); }
TEST(Wycheproof, V15SignatureVerify) { RunFile("rsa_pkcs1v15_sig_verify.json"); }
TEST(Wycheproof, V15SignatureGenerate) { RunFile("rsa_pkcs1v15_sig_generate.json"); }
TEST(Wycheproof, PssVerify) { RunFile("rsa_pss_verify.json"); }
