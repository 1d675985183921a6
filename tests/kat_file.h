// kat_file.h: the known-answer file tests/vectors/kat_rsa.txt, written by
// kat_generate (Linux, OpenSSL and GMP as the oracles) and read by test_kat on
// Linux and Windows alike. Stanzas of "field = value" lines (values in hex
// unless a number), separated by blank lines; '#' starts a comment line.
//   op = key     name; n e d p q dP dQ qInv
//   op = raw     key; in; sealed = in^e mod n; unsealed = in^d mod n (minimal)
//   op = seal    key; scheme; seed (the scripted generator's); in; error; out
//   op = sign    key; scheme; seed; in; error; out
//   op = keygen  modulusLength; exponentLength; seed; error; d e n p q dP dQ qInv
#ifndef KXRSA_TESTS_KAT_FILE_H
#define KXRSA_TESTS_KAT_FILE_H

#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "test_records.h"

struct KatStanza {
    int line = 0;  // where it starts, for messages
    std::map<std::string, std::string> fields;
    const std::string& operator[](const std::string& name) const {
        static const std::string none;
        auto it = fields.find(name);
        return it != fields.end() ? it->second : none;
    }
    Bytes Hex(const std::string& name) const { return FromHex((*this)[name]); }
    uint32_t Number(const std::string& name) const { return static_cast<uint32_t>(std::stoul((*this)[name], nullptr, 0)); }
};

inline std::vector<KatStanza> ReadKatFile(const std::string& path) {
    std::vector<KatStanza> stanzas;
    std::ifstream in(path);
    KatStanza current;
    std::string line;
    for (int lineNo = 1; std::getline(in, line); ++lineNo) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty() && line[0] == '#') continue;
        const size_t eq = line.find(" = ");
        if (line.empty() || eq == std::string::npos) {
            if (!current.fields.empty()) stanzas.push_back(current);
            current = KatStanza{};
            continue;
        }
        if (current.fields.empty()) current.line = lineNo;
        current.fields[line.substr(0, eq)] = line.substr(eq + 3);
    }
    if (!current.fields.empty()) stanzas.push_back(current);
    return stanzas;
}

// The key components in the order of key generation's results.
constexpr const char* KAT_KEY_FIELDS[8] = {"d", "e", "n", "p", "q", "dP", "dQ", "qInv"};

inline TestKey KatKey(const KatStanza& s) {
    TestKey key;
    Bytes* parts[8] = {&key.d, &key.e, &key.n, &key.p, &key.q, &key.dP, &key.dQ, &key.qInv};
    for (int i = 0; i < 8; ++i) *parts[i] = s.Hex(KAT_KEY_FIELDS[i]);
    return key;
}

// The key stanza named `name` in the file at `path`; all components empty
// when there is none.
inline TestKey KatKeyNamed(const std::string& path, const std::string& name) {
    for (const KatStanza& s : ReadKatFile(path))
        if (s["op"] == "key" && s["name"] == name) return KatKey(s);
    return TestKey{};
}

#endif
