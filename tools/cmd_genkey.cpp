// genkey: a new key from the library, written as a key file.
#include <charconv>
#include <cstring>

#include "commands.h"
#include "failure.h"
#include "output_file.h"
#include "progress.h"
#include "rsa_key.h"

namespace {

// The sizes whose keys come out exactly as long as asked (the library takes
// a few more modulus lengths, but gives those keys fewer bits).
constexpr unsigned KEY_BITS[] = {512, 768, 1024, 1280, 1536, 1792, 2048};
constexpr int MaxAttempts = 3;

unsigned ParseNumber(const std::string& text, const char* option) {
    unsigned value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty())
        FailUsage("genkey", std::string(option) + " takes a number, not '" + text + "'");
    return value;
}

// The new key must have the asked length and take a value there and back.
bool IsSound(const RsaKey& key, size_t modulusBytes) {
    if (key.n.size() != modulusBytes || (key.n.data()[0] & 0x80) == 0) return false;
    static const char SAMPLE[] = "kxrsa round trip";
    Buffer sample(reinterpret_cast<const uint8_t*>(SAMPLE), sizeof SAMPLE - 1);
    Buffer sealed(modulusBytes), unsealed(modulusBytes);
    const OctetString x = Octets(sample);
    OctetString y{sealed.data(), 0}, z{unsealed.data(), 0};
    const KeyRecords k = RecordsOf(key);
    uint32_t error = 0;
    return KxSealRsaBlock(&k.e, &k.n, &x, &y, &error) == 0 &&
           KxUnsealRsaBlock(&k.d, &k.n, &k.p, &k.q, &k.dP, &k.dQ, &k.qInv, &y, &z, &error) == 0 &&
           z.length == x.length && std::memcmp(unsealed.data(), sample.data(), x.length) == 0;
}

RsaKey Generate(unsigned bits, unsigned exponentBytes) {
    const size_t k = bits / 8, half = k / 2;
    Progress progress("generating a " + std::to_string(bits) + "-bit key");
    for (int attempt = 1; attempt <= MaxAttempts; ++attempt) {
        RsaKey key{Buffer(k),    Buffer(exponentBytes), Buffer(k),    Buffer(half), Buffer(half),
                   Buffer(half), Buffer(half),          Buffer(half), true};
        OctetString d = Octets(key.d), e = Octets(key.e), n = Octets(key.n), p = Octets(key.p), q = Octets(key.q),
                    dP = Octets(key.dP), dQ = Octets(key.dQ), qInv = Octets(key.qInv);
        int32_t result = 0;
        uint32_t error = 0;
        progress.Run(attempt, [&] {
            result = KxGenerateRsaKey(uint32_t(k), int32_t(exponentBytes), &d, &e, &n, &p, &q, &dP, &dQ, &qInv, &error);
        });
        if (result != 0) FailLibrary("genkey", error);
        key.d.Truncate(d.length), key.e.Truncate(e.length), key.n.Truncate(n.length);
        key.p.Truncate(p.length), key.q.Truncate(q.length), key.dP.Truncate(dP.length);
        key.dQ.Truncate(dQ.length), key.qInv.Truncate(qInv.length);
        if (IsSound(key, k)) return key;
    }
    throw Failure{ExitLibrary, "genkey: " + std::to_string(MaxAttempts) + " new keys in a row failed their check"};
}

}  // namespace

int RunGenkey(const Options& options) {
    const std::string bitsText = options.Value("--bits", "2048");
    const unsigned bits = ParseNumber(bitsText, "--bits");
    if (std::find(std::begin(KEY_BITS), std::end(KEY_BITS), bits) == std::end(KEY_BITS))
        FailUsage("genkey", "--bits " + bitsText +
                                ": kxrsa generates keys of 512, 768, 1024, 1280, 1536, 1792 or "
                                "2048 bits");
    const unsigned exponentBytes = ParseNumber(options.Value("--exponent-bytes", "3"), "--exponent-bytes");
    if (exponentBytes < 1 || exponentBytes > bits / 8)
        FailUsage("genkey", "--exponent-bytes: from 1 to " + std::to_string(bits / 8) + " for a " +
                                std::to_string(bits) + "-bit key");

    OutputFile out(options.Value("-o"), OutputAccess::Secret);
    const RsaKey key = Generate(bits, exponentBytes);
    const Buffer encoded = EncodePrivateKey(key, options.Has("--pkcs1") ? KeyStructure::Pkcs1 : KeyStructure::Standard,
                                            options.Has("--der") ? KeyFormat::Der : KeyFormat::Pem);
    out.Write(encoded.data(), encoded.size());
    out.Commit();
    return ExitSuccess;
}
