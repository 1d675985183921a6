// Pass phrases of encrypted key files: given with --passin as OpenSSL takes it
// (pass:TEXT, env:VARIABLE, file:PATH), or asked for on the terminal.
#ifndef KXRSA_TOOL_PASSPHRASE_H
#define KXRSA_TOOL_PASSPHRASE_H

#include <openssl/core.h>

#include <string>

#include "buffer.h"

// What the key decoder asked for and got.
struct PassphraseRequest {
    std::string keyName;      // for the prompt
    const Buffer* given;      // from --passin, or null to ask on the terminal
    bool asked = false;       // the key is encrypted
    bool noTerminal = false;  // it had to be asked for, and there is no terminal
};

// The pass phrase that `source` names; a Failure for a malformed source, an
// unset variable or an unreadable file.
Buffer ResolvePassin(const std::string& command, const std::string& source);

// An OSSL_PASSPHRASE_CALLBACK; `request` is a PassphraseRequest.
int SupplyPassphrase(char* pass, size_t size, size_t* length, const OSSL_PARAM params[], void* request);

#endif
