// encrypt, decrypt, sign and verify: the PKCS #1 exports on key files.
#include <cstdio>

#include "commands.h"
#include "failure.h"
#include "file_input.h"
#include "key_operation.h"
#include "schemes.h"

namespace {

// What every PKCS command starts from: its scheme, its key and its input.
struct PkcsJob {
    const Scheme& scheme;
    RsaKey key;
    Buffer input;
};

PkcsJob Prepare(const Options& options, SchemeUse use, KeyNeed need) {
    const std::string& command = options.command;
    const Scheme& scheme = LookupScheme(command, options.Required("--scheme"), use);
    const std::string keyPath = options.Required("-k");
    if (command == "verify") options.Required("--signature");
    RsaKey key = ReadKey(command, keyPath, options.Value("--passin"), need);
    // The library's PSS works on moduli of a whole number of bytes only.
    const unsigned bits = ModulusBits(key);
    if (scheme.pss && bits % 8 != 0)
        FailFile(keyPath + ": a " + std::to_string(bits) + "-bit key; " + scheme.name +
                 " needs a modulus whose bit length is a multiple of 8");
    return {scheme, std::move(key), ReadInput(options.Value("-i"))};
}

// KxUnsealRsaBlockPKCS and KxSignRsaBlockPKCS take the same arguments.
using PrivateKeyExport = int32_t (*)(uint32_t scheme, const OctetString* d, const OctetString* n, const OctetString* p,
                                     const OctetString* q, const OctetString* dP, const OctetString* dQ,
                                     const OctetString* qInv, const OctetString* input, OctetString* output,
                                     uint32_t* error);

int RunPrivateKeyExport(const Options& options, SchemeUse use, OutputAccess access, PrivateKeyExport operation) {
    const PkcsJob job = Prepare(options, use, KeyNeed::Private);
    return RunKeyOperation(options, job.key, job.input, access, ResultLength::AsWritten,
                           [&](const KeyRecords& k, const OctetString& in, OctetString& out, uint32_t& error) {
                               return operation(job.scheme.identifier, &k.d, &k.n, &k.p, &k.q, &k.dP, &k.dQ, &k.qInv,
                                                &in, &out, &error);
                           });
}

}  // namespace

int RunEncrypt(const Options& options) {
    const PkcsJob job = Prepare(options, SchemeUse::Encryption, KeyNeed::Public);
    return RunKeyOperation(options, job.key, job.input, OutputAccess::Public, ResultLength::AsWritten,
                           [&](const KeyRecords& k, const OctetString& in, OctetString& out, uint32_t& error) {
                               return KxSealRsaBlockPKCS(job.scheme.identifier, &k.e, &k.n, &in, &out, &error);
                           });
}

int RunDecrypt(const Options& options) {
    return RunPrivateKeyExport(options, SchemeUse::Encryption, OutputAccess::Secret, KxUnsealRsaBlockPKCS);
}

int RunSign(const Options& options) {
    return RunPrivateKeyExport(options, SchemeUse::Signature, OutputAccess::Public, KxSignRsaBlockPKCS);
}

int RunVerify(const Options& options) {
    const PkcsJob job = Prepare(options, SchemeUse::Signature, KeyNeed::Public);
    const std::string signaturePath = options.Required("--signature");
    const Buffer signature = ReadInput(signaturePath);
    if (signature.size() != job.key.n.size())
        throw Failure{ExitVerifyFailed,
                      "verify: " + DisplayName(signaturePath, false) + ": " + std::to_string(signature.size()) +
                          " bytes; a signature under this key has " + std::to_string(job.key.n.size())};
    const KeyRecords key = RecordsOf(job.key);
    const OctetString signatureRecord = Octets(signature), message = Octets(job.input);
    uint32_t error = 0;
    if (KxVerifyRsaBlockPKCS(job.scheme.identifier, &key.e, &key.n, &signatureRecord, &message, &error) != 0)
        FailLibrary("verify", error);
    std::printf("signature verified\n");
    return ExitSuccess;
}
