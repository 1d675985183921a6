// EncodePrivateKey and EncodePublicKey: the library's records through
// OpenSSL's encoders into a key file.
#include <openssl/core_names.h>
#include <openssl/err.h>

#include "failure.h"
#include "openssl_handles.h"
#include "rsa_key.h"

namespace {

[[noreturn]] void FailEncoding() {
    ERR_clear_error();
    throw Failure{ExitLibrary, "cannot encode the key"};
}

// Adds one component; BIGNUMs taken by the builder are kept in `owned` until
// the parameters are built. Secure BIGNUMs go to the builder's secure block,
// which is cleared when the parameters are freed.
void PushComponent(OSSL_PARAM_BLD* builder, const char* name, const Buffer& value, BignumHandle& owned) {
    owned.reset(BN_secure_new());
    if (!owned || BN_bin2bn(value.data(), int(value.size()), owned.get()) == nullptr ||
        !OSSL_PARAM_BLD_push_BN(builder, name, owned.get()))
        FailEncoding();
}

PkeyHandle BuildKey(const RsaKey& key, bool withPrivate) {
    struct Component {
        const char* name;
        const Buffer* value;
    };
    const Component components[] = {
        {OSSL_PKEY_PARAM_RSA_N, &key.n},          {OSSL_PKEY_PARAM_RSA_E, &key.e},
        {OSSL_PKEY_PARAM_RSA_D, &key.d},          {OSSL_PKEY_PARAM_RSA_FACTOR1, &key.p},
        {OSSL_PKEY_PARAM_RSA_FACTOR2, &key.q},    {OSSL_PKEY_PARAM_RSA_EXPONENT1, &key.dP},
        {OSSL_PKEY_PARAM_RSA_EXPONENT2, &key.dQ}, {OSSL_PKEY_PARAM_RSA_COEFFICIENT1, &key.qInv},
    };
    const size_t count = withPrivate ? 8 : 2;
    ParamBuildHandle builder(OSSL_PARAM_BLD_new());
    if (!builder) FailEncoding();
    BignumHandle owned[8];
    for (size_t i = 0; i < count; ++i) PushComponent(builder.get(), components[i].name, *components[i].value, owned[i]);
    ParamsHandle params(OSSL_PARAM_BLD_to_param(builder.get()));
    PkeyContextHandle context(EVP_PKEY_CTX_new_from_name(nullptr, "RSA", nullptr));
    EVP_PKEY* built = nullptr;
    if (!params || !context || EVP_PKEY_fromdata_init(context.get()) <= 0 ||
        EVP_PKEY_fromdata(context.get(), &built, withPrivate ? EVP_PKEY_KEYPAIR : EVP_PKEY_PUBLIC_KEY, params.get()) <=
            0)
        FailEncoding();
    return PkeyHandle(built);
}

Buffer Encode(const RsaKey& key, bool withPrivate, const char* structure, KeyFormat format) {
    const PkeyHandle pkey = BuildKey(key, withPrivate);
    EncoderHandle encoder(OSSL_ENCODER_CTX_new_for_pkey(pkey.get(),
                                                        withPrivate ? EVP_PKEY_KEYPAIR : EVP_PKEY_PUBLIC_KEY,
                                                        format == KeyFormat::Pem ? "PEM" : "DER", structure, nullptr));
    unsigned char* data = nullptr;
    size_t length = 0;
    if (!encoder || OSSL_ENCODER_CTX_get_num_encoders(encoder.get()) == 0 ||
        !OSSL_ENCODER_to_data(encoder.get(), &data, &length))
        FailEncoding();
    Buffer encoded(data, length);
    OPENSSL_clear_free(data, length);
    return encoded;
}

}  // namespace

Buffer EncodePrivateKey(const RsaKey& key, KeyStructure structure, KeyFormat format) {
    return Encode(key, true, structure == KeyStructure::Pkcs1 ? "type-specific" : "PrivateKeyInfo", format);
}

Buffer EncodePublicKey(const RsaKey& key, KeyStructure structure, KeyFormat format) {
    return Encode(key, false, structure == KeyStructure::Pkcs1 ? "type-specific" : "SubjectPublicKeyInfo", format);
}
