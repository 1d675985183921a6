// The scheme table.
#include "schemes.h"

#include "failure.h"
#include "kxrsa.h"

namespace {

constexpr uint32_t Md2 = KxHashMd2, Md5 = KxHashMd5, Sha1 = KxHashSha1, Sha256 = KxHashSha256, Sha384 = KxHashSha384,
                   Sha512 = KxHashSha512;
constexpr SchemeUse Enc = SchemeUse::Encryption, Sig = SchemeUse::Signature;
#define KX_OAEP(hash, name, title) \
    { "oaep-" name, KxSchemeOaep + (hash), Enc, false, "OAEP encryption, " title ", MGF1 with " title ", empty label" }
#define KX_V15(hash, name, title) \
    { "v15-" name, KxSchemeV15Signature + (hash), Sig, false, "PKCS #1 v1.5 signature, " title }
#define KX_PSS(hash, name, title)                                                      \
    {                                                                                  \
        "pss-" name, KxSchemePss + (hash), Sig, true,                                  \
            "PSS signature, " title ", MGF1 with " title ", salt of the hash's length" \
    }

constexpr Scheme SCHEMES[] = {
    {"v15", KxSchemeV15Encryption, Enc, false, "PKCS #1 v1.5 encryption"},
    KX_OAEP(Md2, "md2", "MD2"),
    KX_OAEP(Md5, "md5", "MD5"),
    KX_OAEP(Sha1, "sha1", "SHA-1"),
    KX_OAEP(Sha256, "sha256", "SHA-256"),
    KX_OAEP(Sha384, "sha384", "SHA-384"),
    KX_OAEP(Sha512, "sha512", "SHA-512"),
    KX_V15(Md2, "md2", "MD2"),
    KX_V15(Md5, "md5", "MD5"),
    KX_V15(Sha1, "sha1", "SHA-1"),
    KX_V15(Sha256, "sha256", "SHA-256"),
    KX_V15(Sha384, "sha384", "SHA-384"),
    KX_V15(Sha512, "sha512", "SHA-512"),
    KX_PSS(Md2, "md2", "MD2"),
    KX_PSS(Md5, "md5", "MD5"),
    KX_PSS(Sha1, "sha1", "SHA-1"),
    KX_PSS(Sha256, "sha256", "SHA-256"),
    KX_PSS(Sha384, "sha384", "SHA-384"),
    KX_PSS(Sha512, "sha512", "SHA-512"),
};
#undef KX_OAEP
#undef KX_V15
#undef KX_PSS

}  // namespace

std::span<const Scheme> AllSchemes() { return SCHEMES; }

const Scheme& LookupScheme(const std::string& command, const std::string& name, SchemeUse use) {
    for (const Scheme& scheme : SCHEMES) {
        if (name != scheme.name) continue;
        if (scheme.use != use)
            FailUsage(command, name + (use == SchemeUse::Encryption
                                           ? " is a signature scheme; " + command + " takes v15 or oaep-HASH"
                                           : " is an encryption scheme; " + command + " takes v15-HASH or pss-HASH"));
        return scheme;
    }
    FailUsage(command, "unknown scheme '" + name + "' (kxrsa schemes lists them)");
}
