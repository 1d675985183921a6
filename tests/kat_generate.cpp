// Writes the known-answer file read by test_kat (format: kat_file.h) to
// standard output, every answer checked against an oracle first:
//   raw results by GMP; v1.5 signatures by OpenSSL's own signing; the other
//   PKCS outputs (which depend on the generator) made by kxrsa under the
//   scripted generator and accepted by OpenSSL (kxrsa's own inverse for MD2,
//   which OpenSSL lacks); generated keys checked with GMP.
// Regenerate (release build):
//   cmake --build --preset release --target kat_generate
//   LD_LIBRARY_PATH=build/release/fakes/rng KX_FAKE_RNG=1 build/release/bin/kat_generate > tests/vectors/kat_rsa.txt
#include <openssl/err.h>

#include <cstdio>

#include "fakes/fake_rng.h"
#include "kat_file.h"
#include "test_support.h"

namespace {

[[noreturn]] void Fail(const std::string& what) {
    std::fprintf(stderr, "kat_generate: %s\n", what.c_str());
    std::exit(1);
}

void Field(const char* name, const Bytes& value) { std::printf("%s = %s\n", name, ToHex(value).c_str()); }
void Field(const char* name, uint32_t value) { std::printf("%s = %u\n", name, value); }

void WriteKey(const char* name, const TestKey& key) {
    std::printf("op = key\nname = %s\n", name);
    const Bytes* parts[8] = {&key.d, &key.e, &key.n, &key.p, &key.q, &key.dP, &key.dQ, &key.qInv};
    for (int i = 0; i < 8; ++i) Field(KAT_KEY_FIELDS[i], *parts[i]);
    std::printf("\n");
}

void WriteRaw(const char* name, const TestKey& key) {
    Bytes below = key.n, leadingZeros = Pattern(key.k(), 7);
    below.back() -= 1;  // n - 1 (n is odd)
    leadingZeros[0] = leadingZeros[1] = 0;
    const Bytes INPUTS[] = {{}, {1}, below, Pattern(key.k() - 1, 3), Bytes(key.k(), 0xFF), leadingZeros};
    for (const Bytes& in : INPUTS) {
        std::printf("op = raw\nkey = %s\n", name);
        Field("in", in);
        Field("sealed", PowMod(in, key.e, key.n));
        Field("unsealed", PowMod(in, key.d, key.n));
        std::printf("\n");
    }
}

// OpenSSL's verdict on a kxrsa PKCS output of `scheme` over `data`.
bool OpenSslAccepts(const TestKey& key, uint32_t scheme, const Bytes& data, const Bytes& out) {
    const uint32_t hash = scheme & 0xF;
    const bool encryption = scheme < KxSchemeV15Signature, pss = scheme >= KxSchemePss, v15 = (scheme & 0xFFF0) == 0;
    EVP_PKEY_CTX* ctx = EVP_PKEY_CTX_new(key.pkey, nullptr);
    bool ok = ctx != nullptr && (encryption ? EVP_PKEY_decrypt_init(ctx) : EVP_PKEY_verify_init(ctx)) == 1 &&
              EVP_PKEY_CTX_set_rsa_padding(ctx, encryption ? (v15 ? RSA_PKCS1_PADDING : RSA_PKCS1_OAEP_PADDING)
                                                           : (pss ? RSA_PKCS1_PSS_PADDING : RSA_PKCS1_PADDING)) == 1;
    if (ok && !(encryption && v15)) {
        ok = (encryption ? EVP_PKEY_CTX_set_rsa_oaep_md(ctx, MdOf(hash)) : EVP_PKEY_CTX_set_signature_md(ctx, MdOf(hash))) == 1 &&
             (!(pss || encryption) || EVP_PKEY_CTX_set_rsa_mgf1_md(ctx, MdOf(hash)) == 1) &&
             (!pss || EVP_PKEY_CTX_set_rsa_pss_saltlen(ctx, static_cast<int>(HashLengthOf(hash))) == 1);
    }
    if (ok && encryption) {
        Bytes plain(key.k());
        size_t length = plain.size();
        ok = EVP_PKEY_decrypt(ctx, plain.data(), &length, out.data(), out.size()) == 1 &&
             Bytes(plain.begin(), plain.begin() + length) == data;
    } else if (ok) {
        Bytes digest(EVP_MD_get_size(MdOf(hash)));
        unsigned int length = 0;
        ok = EVP_Digest(data.data(), data.size(), digest.data(), &length, MdOf(hash), nullptr) == 1 &&
             EVP_PKEY_verify(ctx, out.data(), out.size(), digest.data(), digest.size()) == 1;
    }
    EVP_PKEY_CTX_free(ctx);
    return ok;
}

void WritePkcs(const char* name, const TestKey& key, uint32_t* seed) {
    std::vector<uint32_t> schemes = {KxSchemeV15Encryption};
    for (uint32_t h = KxHashMd2; h <= KxHashSha512; ++h)
        schemes.insert(schemes.end(), {KxSchemeOaep + h, KxSchemeV15Signature + h, KxSchemePss + h});
    for (uint32_t scheme : schemes) {
        const bool encryption = scheme < KxSchemeV15Signature;
        const Bytes data = Pattern(encryption ? 20 : 50, *seed);
        FakeRng().reset(*seed);
        const KxResult r = encryption ? KxSeal(scheme, key, data) : KxSign(scheme, key, data);
        if (r.rc != 0 && r.error != ErrEncode) Fail("scheme " + std::to_string(scheme) + " failed");
        if (r.rc == 0) {
            const bool md2 = (scheme & 0xF) == KxHashMd2 && scheme != KxSchemeV15Encryption;
            const bool accepted = md2 ? (encryption ? KxUnseal(scheme, key, r.out).out == data
                                                    : KxVerify(scheme, key, r.out, data).rc == 0)
                                      : OpenSslAccepts(key, scheme, data, r.out);
            if (!accepted) Fail("the oracle refuses scheme " + std::to_string(scheme) + " on key " + name);
        }
        std::printf("op = %s\nkey = %s\n", encryption ? "seal" : "sign", name);
        Field("scheme", scheme), Field("seed", *seed), Field("in", data), Field("error", r.error);
        if (r.rc == 0) Field("out", r.out);
        std::printf("\n");
        ++*seed;
    }
}

// A key from the scripted generator, checked with GMP: p and q prime, p > q,
// n = pq, e d = 1 mod lcm(p - 1, q - 1), and the CRT components.
void WriteKeygen(uint32_t modulusLength, int32_t exponentLength, uint32_t seed) {
    const uint32_t half = modulusLength / 2;
    Bytes parts[8] = {Bytes(modulusLength), Bytes(exponentLength), Bytes(modulusLength), Bytes(half),
                      Bytes(half),          Bytes(half),           Bytes(half),          Bytes(half)};
    OctetString r[8];
    for (int i = 0; i < 8; ++i) r[i] = Rec(parts[i]);
    uint32_t error = 0;
    FakeRng().reset(seed);
    if (KxGenerateRsaKey(modulusLength, exponentLength, &r[0], &r[1], &r[2], &r[3], &r[4], &r[5], &r[6], &r[7],
                         &error) != 0)
        Fail("key generation failed");
    mpz_t v[8], t, u, lcm;
    mpz_inits(t, u, lcm, nullptr);
    for (int i = 0; i < 8; ++i) {
        parts[i].resize(r[i].length);
        mpz_init(v[i]), MpzFromBytes(v[i], parts[i]);
    }
    enum { D, E, N, P, Q, DP, DQ, QINV };
    bool ok = mpz_probab_prime_p(v[P], 30) != 0 && mpz_probab_prime_p(v[Q], 30) != 0 && mpz_cmp(v[P], v[Q]) > 0;
    mpz_mul(t, v[P], v[Q]), ok = ok && mpz_cmp(t, v[N]) == 0;
    mpz_sub_ui(t, v[P], 1), mpz_sub_ui(u, v[Q], 1), mpz_lcm(lcm, t, u);
    mpz_mod(t, v[D], t), ok = ok && mpz_cmp(t, v[DP]) == 0;
    mpz_mod(u, v[D], u), ok = ok && mpz_cmp(u, v[DQ]) == 0;
    mpz_mul(t, v[E], v[D]), mpz_mod(t, t, lcm), ok = ok && mpz_cmp_ui(t, 1) == 0;
    mpz_mul(t, v[QINV], v[Q]), mpz_mod(t, t, v[P]), ok = ok && mpz_cmp_ui(t, 1) == 0;
    for (int i = 0; i < 8; ++i) mpz_clear(v[i]);
    mpz_clears(t, u, lcm, nullptr);
    if (!ok) Fail("GMP refuses the generated key");
    std::printf("op = keygen\n");
    Field("modulusLength", modulusLength), Field("exponentLength", static_cast<uint32_t>(exponentLength));
    Field("seed", seed), Field("error", error);
    for (int i = 0; i < 8; ++i) Field(KAT_KEY_FIELDS[i], parts[i]);
    std::printf("\n");
}

}  // namespace

int main() {
    if (!FakeRng().loaded) Fail("needs the scripted generator in front (see the top of this file)");
    std::printf("# Known answers for kxrsa's exports, written by tests/kat_generate.cpp. Do not edit.\n\n");
    const char* NAMES[] = {"rsa512", "rsa1024", "rsa2048"};
    const int BITS[] = {512, 1024, 2048};
    uint32_t seed = 1;
    for (int i = 0; i < 3; ++i) {
        WriteKey(NAMES[i], KeyOf(BITS[i]));
        WriteRaw(NAMES[i], KeyOf(BITS[i]));
        if (BITS[i] >= 1024) WritePkcs(NAMES[i], KeyOf(BITS[i]), &seed);
    }
    const std::pair<uint32_t, int32_t> KEYGEN[] = {{64, 3}, {64, 8}, {97, 3}, {128, 3}, {128, 128}};
    for (auto [modulusLength, exponentLength] : KEYGEN) WriteKeygen(modulusLength, exponentLength, seed++);
    return 0;
}
