// pubkey: the public half of a key file.
#include "commands.h"
#include "output_file.h"
#include "rsa_key.h"

int RunPubkey(const Options& options) {
    const RsaKey key = ReadKey(options.command, options.Required("-k"), options.Value("--passin"), KeyNeed::Public);
    OutputFile out(options.Value("-o"), OutputAccess::Public);
    const Buffer encoded = EncodePublicKey(key, options.Has("--pkcs1") ? KeyStructure::Pkcs1 : KeyStructure::Standard,
                                           options.Has("--der") ? KeyFormat::Der : KeyFormat::Pem);
    out.Write(encoded.data(), encoded.size());
    out.Commit();
    return 0;
}
