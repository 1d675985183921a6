// The PKCS #1 exports beside OpenSSL's EVP_PKEY operations with the same
// parameters, on the same keys and messages: v1.5 and PSS signatures with
// SHA-256 (PSS: salt length 32, MGF1-SHA-256), v1.5 and OAEP-SHA-256
// encryption (empty label). Both sides hash the 64-byte message inside the
// timed loop. Compare medians, e.g.
//   kxrsa_bench --benchmark_filter=Pkcs1 --benchmark_repetitions=5
//               --benchmark_report_aggregates_only=true
// kxrsa_bench_blocks times the block layer alone (EncodeBlock, DecodeBlock,
// VerifyBlock) for the same schemes.
#include <benchmark/benchmark.h>
#include <openssl/evp.h>
#include <openssl/rsa.h>

#include <vector>

#include "bench_builds.h"
#include "bench_keys.h"
#include "kxrsa.h"

namespace {

constexpr uint32_t kV15Sha256 = KxSchemeV15Signature + uint32_t(KxHashSha256);
constexpr uint32_t kPssSha256 = KxSchemePss + uint32_t(KxHashSha256);
constexpr uint32_t kV15Encryption = KxSchemeV15Encryption;
constexpr uint32_t kOaepSha256 = KxSchemeOaep + uint32_t(KxHashSha256);
constexpr uint32_t kMessageLength = 64;
constexpr uint32_t kDataLength = 32;

// The private-key records of a bench key.
struct PrivateKey {
    explicit PrivateKey(const BenchKey& key)
        : d(Record(key.d)), n(Record(key.n)), p(Record(key.p)), q(Record(key.q)),
          dP(Record(key.dP)), dQ(Record(key.dQ)), qInv(Record(key.qInv)) {}
    OctetString d, n, p, q, dP, dQ, qInv;
};

std::vector<uint8_t> KxSign(const KxBuild& kx, const BenchKey& key, uint32_t scheme, const std::vector<uint8_t>& msg) {
    PrivateKey k(key);
    std::vector<uint8_t> sig(key.n.size());
    OctetString in = Record(msg), out{sig.data(), 0};
    uint32_t error = 0;
    if (kx.signPkcs(scheme, &k.d, &k.n, &k.p, &k.q, &k.dP, &k.dQ, &k.qInv, &in, &out,
                    &error) != 0)
        sig.clear();
    return sig;
}

std::vector<uint8_t> KxSeal(const KxBuild& kx, const BenchKey& key, uint32_t scheme, const std::vector<uint8_t>& data) {
    std::vector<uint8_t> ct(key.n.size());
    OctetString e = Record(key.e), n = Record(key.n), in = Record(data), out{ct.data(), 0};
    uint32_t error = 0;
    if (kx.sealPkcs(scheme, &e, &n, &in, &out, &error) != 0) ct.clear();
    return ct;
}

void Pkcs1Sign_Kx(benchmark::State& state, uint32_t scheme, const KxBuild& kx) {
    const BenchKey& key = BenchKeyOf(static_cast<int>(state.range(0)));
    std::vector<uint8_t> msg = BenchInput(kMessageLength, 3);
    for (auto _ : state) {
        std::vector<uint8_t> sig = KxSign(kx, key, scheme, msg);
        if (sig.empty()) return state.SkipWithError("KxSignRsaBlockPKCS failed");
        benchmark::DoNotOptimize(sig.data());
    }
}

void Pkcs1Verify_Kx(benchmark::State& state, uint32_t scheme, const KxBuild& kx) {
    const BenchKey& key = BenchKeyOf(static_cast<int>(state.range(0)));
    std::vector<uint8_t> msg = BenchInput(kMessageLength, 3), sig = KxSign(kx, key, scheme, msg);
    OctetString e = Record(key.e), n = Record(key.n), s = Record(sig), m = Record(msg);
    for (auto _ : state) {
        uint32_t error = 0;
        if (kx.verifyPkcs(scheme, &e, &n, &s, &m, &error) != 0)
            return state.SkipWithError("KxVerifyRsaBlockPKCS failed");
    }
}

void Pkcs1Encrypt_Kx(benchmark::State& state, uint32_t scheme, const KxBuild& kx) {
    const BenchKey& key = BenchKeyOf(static_cast<int>(state.range(0)));
    std::vector<uint8_t> data = BenchInput(kDataLength, 4);
    for (auto _ : state) {
        std::vector<uint8_t> ct = KxSeal(kx, key, scheme, data);
        if (ct.empty()) return state.SkipWithError("KxSealRsaBlockPKCS failed");
        benchmark::DoNotOptimize(ct.data());
    }
}

void Pkcs1Decrypt_Kx(benchmark::State& state, uint32_t scheme, const KxBuild& kx) {
    const BenchKey& key = BenchKeyOf(static_cast<int>(state.range(0)));
    std::vector<uint8_t> data = BenchInput(kDataLength, 4), ct = KxSeal(kx, key, scheme, data);
    std::vector<uint8_t> out(key.n.size());
    PrivateKey k(key);
    OctetString in = Record(ct);
    for (auto _ : state) {
        OctetString o{out.data(), 0};
        uint32_t error = 0;
        if (kx.unsealPkcs(scheme, &k.d, &k.n, &k.p, &k.q, &k.dP, &k.dQ, &k.qInv, &in, &o,
                                 &error) != 0 ||
            o.length != kDataLength)
            return state.SkipWithError("KxUnsealRsaBlockPKCS failed");
    }
}

// OpenSSL: one context per benchmark, padding set as for kxrsa's scheme.
enum class Padding { V15Signature, Pss, V15Encryption, Oaep };

bool SetPadding(EVP_PKEY_CTX* ctx, Padding padding) {
    switch (padding) {
        case Padding::V15Signature:
            return EVP_PKEY_CTX_set_rsa_padding(ctx, RSA_PKCS1_PADDING) == 1 &&
                   EVP_PKEY_CTX_set_signature_md(ctx, EVP_sha256()) == 1;
        case Padding::Pss:
            return EVP_PKEY_CTX_set_rsa_padding(ctx, RSA_PKCS1_PSS_PADDING) == 1 &&
                   EVP_PKEY_CTX_set_signature_md(ctx, EVP_sha256()) == 1 &&
                   EVP_PKEY_CTX_set_rsa_pss_saltlen(ctx, RSA_PSS_SALTLEN_DIGEST) == 1 &&
                   EVP_PKEY_CTX_set_rsa_mgf1_md(ctx, EVP_sha256()) == 1;
        case Padding::V15Encryption:
            return EVP_PKEY_CTX_set_rsa_padding(ctx, RSA_PKCS1_PADDING) == 1;
        case Padding::Oaep:
            return EVP_PKEY_CTX_set_rsa_padding(ctx, RSA_PKCS1_OAEP_PADDING) == 1 &&
                   EVP_PKEY_CTX_set_rsa_oaep_md(ctx, EVP_sha256()) == 1 &&
                   EVP_PKEY_CTX_set_rsa_mgf1_md(ctx, EVP_sha256()) == 1;
    }
    return false;
}

enum class Op { Sign, Verify, Encrypt, Decrypt };

EVP_PKEY_CTX* OpenContext(const BenchKey& key, Op op, Padding padding) {
    EVP_PKEY_CTX* ctx = EVP_PKEY_CTX_new(key.pkey, nullptr);
    int init = 0;
    if (ctx != nullptr) {
        switch (op) {
            case Op::Sign: init = EVP_PKEY_sign_init(ctx); break;
            case Op::Verify: init = EVP_PKEY_verify_init(ctx); break;
            case Op::Encrypt: init = EVP_PKEY_encrypt_init(ctx); break;
            case Op::Decrypt: init = EVP_PKEY_decrypt_init(ctx); break;
        }
    }
    if (init != 1 || !SetPadding(ctx, padding)) {
        EVP_PKEY_CTX_free(ctx);
        return nullptr;
    }
    return ctx;
}

void Pkcs1_OpenSsl(benchmark::State& state, Op op, Padding padding) {
    const BenchKey& key = BenchKeyOf(static_cast<int>(state.range(0)));
    EVP_PKEY_CTX* ctx = OpenContext(key, op, padding);
    if (ctx == nullptr) return state.SkipWithError("EVP setup failed");
    const bool signature = op == Op::Sign || op == Op::Verify;
    std::vector<uint8_t> in = BenchInput(signature ? kMessageLength : kDataLength,
                                         signature ? 3 : 4);
    std::vector<uint8_t> digest(32), out(key.n.size()), aux(key.n.size());
    unsigned int digestLen = 0;
    size_t auxLen = aux.size();
    // The signature or ciphertext the verify / decrypt loops consume.
    if (op == Op::Verify || op == Op::Decrypt) {
        EVP_PKEY_CTX* maker = OpenContext(key, op == Op::Verify ? Op::Sign : Op::Encrypt, padding);
        EVP_Digest(in.data(), in.size(), digest.data(), &digestLen, EVP_sha256(), nullptr);
        const bool made = maker != nullptr &&
                          (op == Op::Verify
                               ? EVP_PKEY_sign(maker, aux.data(), &auxLen, digest.data(), 32)
                               : EVP_PKEY_encrypt(maker, aux.data(), &auxLen, in.data(), in.size())) == 1;
        EVP_PKEY_CTX_free(maker);
        if (!made) {
            EVP_PKEY_CTX_free(ctx);
            return state.SkipWithError("EVP input failed");
        }
    }
    for (auto _ : state) {
        size_t outLen = out.size();
        int ok = 0;
        switch (op) {
            case Op::Sign:
                EVP_Digest(in.data(), in.size(), digest.data(), &digestLen, EVP_sha256(), nullptr);
                ok = EVP_PKEY_sign(ctx, out.data(), &outLen, digest.data(), digestLen);
                break;
            case Op::Verify:
                EVP_Digest(in.data(), in.size(), digest.data(), &digestLen, EVP_sha256(), nullptr);
                ok = EVP_PKEY_verify(ctx, aux.data(), auxLen, digest.data(), digestLen);
                break;
            case Op::Encrypt:
                ok = EVP_PKEY_encrypt(ctx, out.data(), &outLen, in.data(), in.size());
                break;
            case Op::Decrypt:
                ok = EVP_PKEY_decrypt(ctx, out.data(), &outLen, aux.data(), auxLen);
                break;
        }
        if (ok != 1) {
            state.SkipWithError("EVP operation failed");
            break;
        }
        benchmark::DoNotOptimize(out.data());
    }
    EVP_PKEY_CTX_free(ctx);
}

void Pkcs1SignV15Sha256_OpenSsl(benchmark::State& s) { Pkcs1_OpenSsl(s, Op::Sign, Padding::V15Signature); }
void Pkcs1SignPssSha256_OpenSsl(benchmark::State& s) { Pkcs1_OpenSsl(s, Op::Sign, Padding::Pss); }
void Pkcs1VerifyV15Sha256_OpenSsl(benchmark::State& s) { Pkcs1_OpenSsl(s, Op::Verify, Padding::V15Signature); }
void Pkcs1VerifyPssSha256_OpenSsl(benchmark::State& s) { Pkcs1_OpenSsl(s, Op::Verify, Padding::Pss); }
void Pkcs1EncryptV15_OpenSsl(benchmark::State& s) { Pkcs1_OpenSsl(s, Op::Encrypt, Padding::V15Encryption); }
void Pkcs1EncryptOaepSha256_OpenSsl(benchmark::State& s) { Pkcs1_OpenSsl(s, Op::Encrypt, Padding::Oaep); }
void Pkcs1DecryptV15_OpenSsl(benchmark::State& s) { Pkcs1_OpenSsl(s, Op::Decrypt, Padding::V15Encryption); }
void Pkcs1DecryptOaepSha256_OpenSsl(benchmark::State& s) { Pkcs1_OpenSsl(s, Op::Decrypt, Padding::Oaep); }

void Pkcs1Sizes(benchmark::internal::Benchmark* b) { b->Arg(1024)->Arg(2048)->Unit(benchmark::kMicrosecond); }

const int kPkcs1SignV15Sha256 = RegisterKxBenchmark(
    "Pkcs1SignV15Sha256_Kx", [](benchmark::State& s, const KxBuild& kx) { Pkcs1Sign_Kx(s, kV15Sha256, kx); },
    Pkcs1Sizes);
BENCHMARK(Pkcs1SignV15Sha256_OpenSsl)->Apply(Pkcs1Sizes);
const int kPkcs1SignPssSha256 = RegisterKxBenchmark(
    "Pkcs1SignPssSha256_Kx", [](benchmark::State& s, const KxBuild& kx) { Pkcs1Sign_Kx(s, kPssSha256, kx); },
    Pkcs1Sizes);
BENCHMARK(Pkcs1SignPssSha256_OpenSsl)->Apply(Pkcs1Sizes);
const int kPkcs1VerifyV15Sha256 = RegisterKxBenchmark(
    "Pkcs1VerifyV15Sha256_Kx", [](benchmark::State& s, const KxBuild& kx) { Pkcs1Verify_Kx(s, kV15Sha256, kx); },
    Pkcs1Sizes);
BENCHMARK(Pkcs1VerifyV15Sha256_OpenSsl)->Apply(Pkcs1Sizes);
const int kPkcs1VerifyPssSha256 = RegisterKxBenchmark(
    "Pkcs1VerifyPssSha256_Kx", [](benchmark::State& s, const KxBuild& kx) { Pkcs1Verify_Kx(s, kPssSha256, kx); },
    Pkcs1Sizes);
BENCHMARK(Pkcs1VerifyPssSha256_OpenSsl)->Apply(Pkcs1Sizes);
const int kPkcs1EncryptV15 = RegisterKxBenchmark(
    "Pkcs1EncryptV15_Kx", [](benchmark::State& s, const KxBuild& kx) { Pkcs1Encrypt_Kx(s, kV15Encryption, kx); },
    Pkcs1Sizes);
BENCHMARK(Pkcs1EncryptV15_OpenSsl)->Apply(Pkcs1Sizes);
const int kPkcs1EncryptOaepSha256 = RegisterKxBenchmark(
    "Pkcs1EncryptOaepSha256_Kx", [](benchmark::State& s, const KxBuild& kx) { Pkcs1Encrypt_Kx(s, kOaepSha256, kx); },
    Pkcs1Sizes);
BENCHMARK(Pkcs1EncryptOaepSha256_OpenSsl)->Apply(Pkcs1Sizes);
const int kPkcs1DecryptV15 = RegisterKxBenchmark(
    "Pkcs1DecryptV15_Kx", [](benchmark::State& s, const KxBuild& kx) { Pkcs1Decrypt_Kx(s, kV15Encryption, kx); },
    Pkcs1Sizes);
BENCHMARK(Pkcs1DecryptV15_OpenSsl)->Apply(Pkcs1Sizes);
const int kPkcs1DecryptOaepSha256 = RegisterKxBenchmark(
    "Pkcs1DecryptOaepSha256_Kx", [](benchmark::State& s, const KxBuild& kx) { Pkcs1Decrypt_Kx(s, kOaepSha256, kx); },
    Pkcs1Sizes);
BENCHMARK(Pkcs1DecryptOaepSha256_OpenSsl)->Apply(Pkcs1Sizes);

}  // namespace
