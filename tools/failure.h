// How the command fails: a Failure carries the exit code and the message that
// main prints after "kxrsa: ".
#ifndef KXRSA_TOOL_FAILURE_H
#define KXRSA_TOOL_FAILURE_H

#include <cstdint>
#include <string>

enum ExitCode { ExitSuccess = 0, ExitVerifyFailed = 1, ExitUsage = 2, ExitKeyOrFile = 3, ExitLibrary = 4 };

struct Failure {
    int exitCode;
    std::string message;
};

// "verify: unknown scheme 'x' ...": a mistake on the command line.
[[noreturn]] void FailUsage(const std::string& command, const std::string& what);
// "key.pem: not an RSA key": a key file, an input or an output is unusable.
[[noreturn]] void FailFile(const std::string& what);
// "cannot read key.pem: no such file", from errno.
[[noreturn]] void FailSystem(const char* action, const std::string& name, int error);
// "verify: ErrVerify (549): the signature does not match the message".
[[noreturn]] void FailLibrary(const std::string& command, uint32_t code);

// The name of a file for messages: "standard input" and "standard output"
// for an empty name or "-".
std::string DisplayName(const std::string& path, bool output);

#endif
