// The --scheme names and the library's scheme identifiers.
#ifndef KXRSA_TOOL_SCHEMES_H
#define KXRSA_TOOL_SCHEMES_H

#include <cstdint>
#include <span>
#include <string>

enum class SchemeUse { Encryption, Signature };

struct Scheme {
    const char* name;     // "oaep-sha256"
    uint32_t identifier;  // KxSchemeOaep + KxHashSha256
    SchemeUse use;
    bool pss;                 // needs a modulus of a whole number of bytes
    const char* description;  // for `kxrsa schemes`
};

std::span<const Scheme> AllSchemes();

// The scheme `name` for `use`; a usage Failure for an unknown name or one of
// the other use.
const Scheme& LookupScheme(const std::string& command, const std::string& name, SchemeUse use);

#endif
