// ReadKey: a key file through OpenSSL's decoders into the library's records.
#include <openssl/core_names.h>
#include <openssl/err.h>

#include "failure.h"
#include "file_input.h"
#include "openssl_handles.h"
#include "passphrase.h"
#include "rsa_key.h"

namespace {

// The library's modulus lengths, in bytes.
constexpr int MinModulusBytes = 64;
constexpr int MaxModulusBytes = 256;

// Decodes any key structure OpenSSL knows, PEM or DER, private or public;
// `type` ("RSA", or null for any) settles what a bare DER structure is.
PkeyHandle DecodeKey(const Buffer& content, const char* type, PassphraseRequest& request) {
    EVP_PKEY* decoded = nullptr;
    DecoderHandle decoder(OSSL_DECODER_CTX_new_for_pkey(&decoded, nullptr, nullptr, type, 0, nullptr, nullptr));
    if (!decoder || !OSSL_DECODER_CTX_set_passphrase_cb(decoder.get(), SupplyPassphrase, &request))
        throw Failure{ExitLibrary, "out of memory"};
    const unsigned char* data = content.data();
    size_t remaining = content.size();
    const int decodedOk = OSSL_DECODER_from_data(decoder.get(), &data, &remaining);
    PkeyHandle key(decoded);
    return decodedOk ? std::move(key) : PkeyHandle();
}

// One component of the key, in minimal big-endian form; false when the key
// does not have it.
bool GetComponent(const EVP_PKEY* key, const char* name, Buffer& out) {
    BIGNUM* value = nullptr;
    if (!EVP_PKEY_get_bn_param(key, name, &value)) return false;
    BignumHandle owned(value);
    out = Buffer(size_t(BN_num_bytes(value)));
    BN_bn2bin(value, out.data());
    return true;
}

}  // namespace

RsaKey ReadKey(const std::string& command, const std::string& path, const std::string& passin, KeyNeed need) {
    const std::string name = DisplayName(path, false);
    const Buffer content = ReadInput(path);
    if (content.empty()) FailFile(name + ": empty file");

    Buffer given;
    if (!passin.empty()) given = ResolvePassin(command, passin);
    PassphraseRequest request{name, passin.empty() ? nullptr : &given};
    const PkeyHandle key = DecodeKey(content, "RSA", request);
    if (!key) {
        if (request.noTerminal) FailFile(name + ": the key is encrypted; give its pass phrase with --passin");
        if (request.asked) FailFile(name + ": cannot decrypt the key (wrong pass phrase?)");
        const PkeyHandle other = DecodeKey(content, nullptr, request);
        ERR_clear_error();
        const char* type = other ? EVP_PKEY_get0_type_name(other.get()) : nullptr;
        if (other) FailFile(name + ": not an RSA key" + (type != nullptr ? std::string(" (") + type + ")" : ""));
        FailFile(name + ": not a PEM or DER key, or a damaged one");
    }

    RsaKey rsa;
    if (!GetComponent(key.get(), OSSL_PKEY_PARAM_RSA_N, rsa.n) ||
        !GetComponent(key.get(), OSSL_PKEY_PARAM_RSA_E, rsa.e))
        FailFile(name + ": the key has no modulus or public exponent");
    if (rsa.n.size() < MinModulusBytes || rsa.n.size() > MaxModulusBytes)
        FailFile(name + ": a " + std::to_string(ModulusBits(rsa)) +
                 "-bit key; kxrsa takes moduli of 64 to 256 bytes (up to 2048 bits)");

    rsa.hasPrivate = GetComponent(key.get(), OSSL_PKEY_PARAM_RSA_D, rsa.d);
    if (rsa.hasPrivate) {
        Buffer third;
        if (GetComponent(key.get(), OSSL_PKEY_PARAM_RSA_FACTOR3, third))
            FailFile(name + ": a key of more than two primes; kxrsa takes two-prime keys");
        if (!GetComponent(key.get(), OSSL_PKEY_PARAM_RSA_FACTOR1, rsa.p) ||
            !GetComponent(key.get(), OSSL_PKEY_PARAM_RSA_FACTOR2, rsa.q) ||
            !GetComponent(key.get(), OSSL_PKEY_PARAM_RSA_EXPONENT1, rsa.dP) ||
            !GetComponent(key.get(), OSSL_PKEY_PARAM_RSA_EXPONENT2, rsa.dQ) ||
            !GetComponent(key.get(), OSSL_PKEY_PARAM_RSA_COEFFICIENT1, rsa.qInv))
            FailFile(name + ": the private key lacks its primes or CRT exponents");
    }
    ERR_clear_error();
    if (need == KeyNeed::Private && !rsa.hasPrivate)
        FailFile(name + ": a public key; " + command + " needs the private key");
    return rsa;
}

unsigned ModulusBits(const RsaKey& key) {
    if (key.n.empty()) return 0;
    unsigned bits = unsigned(key.n.size() - 1) * 8;
    for (uint8_t top = key.n.data()[0]; top != 0; top >>= 1) ++bits;
    return bits;
}
