// The options of one command: "-k FILE", "--scheme S", "--scheme=S", "--der".
#ifndef KXRSA_TOOL_OPTIONS_H
#define KXRSA_TOOL_OPTIONS_H

#include <map>
#include <set>
#include <span>
#include <string>

struct Options {
    std::string command;
    std::map<std::string, std::string> values;  // by the option's main name: "-k", "--scheme"
    std::set<std::string> flags;                // "--der", "--pkcs1"

    // The option's value, or `fallback` when it was not given.
    std::string Value(const std::string& name, const std::string& fallback = "") const;
    bool Has(const std::string& name) const;
    // The value of an option the command cannot do without.
    std::string Required(const std::string& name) const;
};

// Parses argv[first..argc); `allowed` holds the main names of the options the
// command takes. A usage Failure for anything else. (--help is main's.)
Options ParseOptions(const std::string& command, std::span<const char* const> allowed, int argc, char** argv,
                     int first);

#endif
