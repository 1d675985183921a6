// Owning handles for the OpenSSL objects the key files need.
#ifndef KXRSA_TOOL_OPENSSL_HANDLES_H
#define KXRSA_TOOL_OPENSSL_HANDLES_H

#include <openssl/bn.h>
#include <openssl/decoder.h>
#include <openssl/encoder.h>
#include <openssl/evp.h>
#include <openssl/param_build.h>
#include <openssl/params.h>

#include <memory>

template <typename T, void (*Free)(T*)>
struct OpenSslFree {
    void operator()(T* object) const { Free(object); }
};

using PkeyHandle = std::unique_ptr<EVP_PKEY, OpenSslFree<EVP_PKEY, EVP_PKEY_free>>;
using PkeyContextHandle = std::unique_ptr<EVP_PKEY_CTX, OpenSslFree<EVP_PKEY_CTX, EVP_PKEY_CTX_free>>;
using DecoderHandle = std::unique_ptr<OSSL_DECODER_CTX, OpenSslFree<OSSL_DECODER_CTX, OSSL_DECODER_CTX_free>>;
using EncoderHandle = std::unique_ptr<OSSL_ENCODER_CTX, OpenSslFree<OSSL_ENCODER_CTX, OSSL_ENCODER_CTX_free>>;
using ParamBuildHandle = std::unique_ptr<OSSL_PARAM_BLD, OpenSslFree<OSSL_PARAM_BLD, OSSL_PARAM_BLD_free>>;
using ParamsHandle = std::unique_ptr<OSSL_PARAM, OpenSslFree<OSSL_PARAM, OSSL_PARAM_free>>;
// Key components: cleared before they are freed.
using BignumHandle = std::unique_ptr<BIGNUM, OpenSslFree<BIGNUM, BN_clear_free>>;

#endif
