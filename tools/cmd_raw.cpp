// raw-public and raw-private: the unpadded RSA operations on key files.
#include "commands.h"
#include "file_input.h"
#include "key_operation.h"

namespace {

// Reads the key and the input integer (at most the modulus length) and runs
// `operation`; the result is written left-padded to the modulus length.
template <typename Operation>
int RunRaw(const Options& options, KeyNeed need, OutputAccess access, Operation operation) {
    const RsaKey key = ReadKey(options.command, options.Required("-k"), options.Value("--passin"), need);
    const Buffer input = ReadInput(options.Value("-i"));
    if (input.size() > key.n.size())
        FailFile(DisplayName(options.Value("-i"), false) + ": " + std::to_string(input.size()) +
                 " bytes, longer than the " + std::to_string(key.n.size()) + "-byte modulus");
    return RunKeyOperation(options, key, input, access, ResultLength::ModulusLength, operation);
}

}  // namespace

int RunRawPublic(const Options& options) {
    return RunRaw(options, KeyNeed::Public, OutputAccess::Public,
                  [](const KeyRecords& k, const OctetString& in, OctetString& out, uint32_t& error) {
                      return KxSealRsaBlock(&k.e, &k.n, &in, &out, &error);
                  });
}

int RunRawPrivate(const Options& options) {
    const std::string blinding = options.Value("--blinding", "derived");
    if (blinding != "none" && blinding != "derived" && blinding != "given")
        FailUsage(options.command, "--blinding takes none, derived or given");
    return RunRaw(
        options, KeyNeed::Private, OutputAccess::Secret,
        [&](const KeyRecords& k, const OctetString& in, OctetString& out, uint32_t& error) {
            if (blinding == "none")
                return KxUnsealRsaBlock(&k.d, &k.n, &k.p, &k.q, &k.dP, &k.dQ, &k.qInv, &in, &out, &error);
            if (blinding == "derived")
                return KxUnsealRsaBlockBlinding(&k.d, &k.n, &k.p, &k.q, &k.dP, &k.dQ, &k.qInv, &in, &out, &error);
            return KxUnsealRsaBlockBlinding2(&k.d, &k.e, &k.n, &k.p, &k.q, &k.dP, &k.dQ, &k.qInv, &in, &out, &error);
        });
}
