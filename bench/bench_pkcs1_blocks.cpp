// The PKCS #1 block layer alone, without the RSA operation: EncodeBlock,
// DecodeBlock and VerifyBlock for the schemes of bench_pkcs1.cpp, at k = 128
// and 256, through the static core (these functions are not exported). The
// figures, set beside the whole operations of kxrsa_bench, give the block
// layer's share of each operation.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "kxrsa.h"
#include "pkcs1.h"

namespace {

constexpr uint32_t kV15Sha256 = KxSchemeV15Signature + uint32_t(KxHashSha256);
constexpr uint32_t kPssSha256 = KxSchemePss + uint32_t(KxHashSha256);
constexpr uint32_t kOaepSha256 = KxSchemeOaep + uint32_t(KxHashSha256);

std::vector<uint8_t> Bytes(uint32_t length, uint8_t seed) {
    std::vector<uint8_t> b(length);
    for (uint32_t i = 0; i < length; ++i) b[i] = static_cast<uint8_t>(seed + 31 * i);
    return b;
}

// Input length: a 64-byte message for signatures, 32 bytes of data for encryption.
uint32_t InputLength(uint32_t scheme) { return IsSignatureScheme(scheme) ? 64 : 32; }

void Encode(benchmark::State& state, uint32_t scheme) {
    const uint32_t k = static_cast<uint32_t>(state.range(0)) / 8;
    std::vector<uint8_t> input = Bytes(InputLength(scheme), 3), block(k);
    OctetString modulus{nullptr, k}, in{input.data(), static_cast<uint32_t>(input.size())};
    for (auto _ : state) {
        OctetString out{block.data(), k};
        uint32_t error = 0;
        if (EncodeBlock(scheme, &modulus, &in, &out, &error) != kBlockOk)
            return state.SkipWithError("EncodeBlock failed");
        benchmark::DoNotOptimize(block.data());
    }
}

// Decode (encryption schemes) or verify (signature schemes) a block made by Encode.
void Parse(benchmark::State& state, uint32_t scheme) {
    const uint32_t k = static_cast<uint32_t>(state.range(0)) / 8;
    std::vector<uint8_t> input = Bytes(InputLength(scheme), 3), block(k), output(k);
    OctetString modulus{nullptr, k}, in{input.data(), static_cast<uint32_t>(input.size())};
    OctetString blockRecord{block.data(), k};
    uint32_t error = 0;
    if (EncodeBlock(scheme, &modulus, &in, &blockRecord, &error) != kBlockOk)
        return state.SkipWithError("EncodeBlock failed");
    blockRecord.length = k;
    const bool signature = IsSignatureScheme(scheme);
    for (auto _ : state) {
        OctetString out{output.data(), k};
        const int32_t result = signature ? VerifyBlock(scheme, &modulus, &blockRecord, &in, &error)
                                         : DecodeBlock(scheme, &modulus, &blockRecord, &out, &error);
        if (result != kBlockOk) return state.SkipWithError("block rejected");
        benchmark::DoNotOptimize(output.data());
    }
}

void BlockEncodeV15Sha256(benchmark::State& s) { Encode(s, kV15Sha256); }
void BlockEncodePssSha256(benchmark::State& s) { Encode(s, kPssSha256); }
void BlockEncodeV15Encryption(benchmark::State& s) { Encode(s, KxSchemeV15Encryption); }
void BlockEncodeOaepSha256(benchmark::State& s) { Encode(s, kOaepSha256); }
void BlockVerifyV15Sha256(benchmark::State& s) { Parse(s, kV15Sha256); }
void BlockVerifyPssSha256(benchmark::State& s) { Parse(s, kPssSha256); }
void BlockDecodeV15Encryption(benchmark::State& s) { Parse(s, KxSchemeV15Encryption); }
void BlockDecodeOaepSha256(benchmark::State& s) { Parse(s, kOaepSha256); }

BENCHMARK(BlockEncodeV15Sha256)->Arg(1024)->Arg(2048);
BENCHMARK(BlockEncodePssSha256)->Arg(1024)->Arg(2048);
BENCHMARK(BlockEncodeV15Encryption)->Arg(1024)->Arg(2048);
BENCHMARK(BlockEncodeOaepSha256)->Arg(1024)->Arg(2048);
BENCHMARK(BlockVerifyV15Sha256)->Arg(1024)->Arg(2048);
BENCHMARK(BlockVerifyPssSha256)->Arg(1024)->Arg(2048);
BENCHMARK(BlockDecodeV15Encryption)->Arg(1024)->Arg(2048);
BENCHMARK(BlockDecodeOaepSha256)->Arg(1024)->Arg(2048);

}  // namespace
