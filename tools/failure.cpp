// The failures of the command and their messages.
#include "failure.h"

#include <cerrno>
#include <cstring>

#include "kxrsa.h"

void FailUsage(const std::string& command, const std::string& what) {
    throw Failure{ExitUsage, command.empty() ? what : command + ": " + what};
}

void FailFile(const std::string& what) { throw Failure{ExitKeyOrFile, what}; }

void FailSystem(const char* action, const std::string& name, int error) {
    std::string reason;
    switch (error) {
        case ENOENT:
            reason = "no such file";
            break;
        case EACCES:
            reason = "permission denied";
            break;
        case EISDIR:
            reason = "is a folder";
            break;
        default:
            reason = std::strerror(error);
            if (!reason.empty() && reason[0] >= 'A' && reason[0] <= 'Z') reason[0] = char(reason[0] - 'A' + 'a');
    }
    FailFile(std::string(action) + " " + name + ": " + reason);
}

void FailLibrary(const std::string& command, uint32_t code) {
    throw Failure{code == ErrVerify ? ExitVerifyFailed : ExitLibrary,
                  command + ": " + KxErrorName(code) + " (" + std::to_string(code) + "): " + KxErrorMessage(code)};
}

std::string DisplayName(const std::string& path, bool output) {
    if (path.empty() || path == "-") return output ? "standard output" : "standard input";
    return path;
}
