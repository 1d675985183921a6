// RsaKey: an RSA key as the library takes it, eight big-endian integers.
#ifndef KXRSA_TOOL_RSA_KEY_H
#define KXRSA_TOOL_RSA_KEY_H

#include <string>

#include "buffer.h"

// Every integer is in minimal form (no leading zero byte), so that the
// modulus record's length is the key's k. A public key leaves d to qInv empty.
struct RsaKey {
    Buffer n, e;
    Buffer d, p, q, dP, dQ, qInv;
    bool hasPrivate = false;
};

// The library's records of a key, pointing into it.
struct KeyRecords {
    OctetString d, e, n, p, q, dP, dQ, qInv;
};

inline KeyRecords RecordsOf(const RsaKey& key) {
    return {Octets(key.d), Octets(key.e),  Octets(key.n),  Octets(key.p),
            Octets(key.q), Octets(key.dP), Octets(key.dQ), Octets(key.qInv)};
}

enum class KeyNeed { Public, Private };

// Reads a PKCS #8 or PKCS #1 key, PEM or DER, detected from the content;
// `passin` (may be empty) is the --passin source for an encrypted PEM key.
// A Failure names the file and what is wrong with it.
RsaKey ReadKey(const std::string& command, const std::string& path, const std::string& passin, KeyNeed need);

// The bit length of the modulus.
unsigned ModulusBits(const RsaKey& key);

enum class KeyStructure {
    Standard,  // PKCS #8 PrivateKeyInfo, or SubjectPublicKeyInfo
    Pkcs1      // RSAPrivateKey or RSAPublicKey
};
enum class KeyFormat { Pem, Der };

// The encoded key file.
Buffer EncodePrivateKey(const RsaKey& key, KeyStructure structure, KeyFormat format);
Buffer EncodePublicKey(const RsaKey& key, KeyStructure structure, KeyFormat format);

#endif
