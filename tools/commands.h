// The commands of kxrsa and their help.
#ifndef KXRSA_TOOL_COMMANDS_H
#define KXRSA_TOOL_COMMANDS_H

#include <span>
#include <vector>

#include "options.h"

struct Command {
    const char* name;
    const char* synopsis;  // the arguments, after "kxrsa NAME"
    const char* summary;   // one line for the overall help
    const char* help;      // the rest of "kxrsa NAME --help"
    std::vector<const char*> options;
    int (*run)(const Options&);  // the exit code
};

std::span<const Command> AllCommands();

int RunGenkey(const Options& options);
int RunPubkey(const Options& options);
int RunEncrypt(const Options& options);
int RunDecrypt(const Options& options);
int RunSign(const Options& options);
int RunVerify(const Options& options);
int RunRawPublic(const Options& options);
int RunRawPrivate(const Options& options);
int RunSchemes(const Options& options);
int RunSelftest(const Options& options);

#endif
