// kxrsa: every operation of libkxrsa.so on standard key files.
#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#include "commands.h"
#include "failure.h"

namespace {

const char EXIT_CODES[] =
    "Exit codes: 0 success, 1 verification failed, 2 usage error, 3 key or file\n"
    "error, 4 library error.\n";

void PrintOverallHelp(FILE* to) {
    std::fprintf(to, "Usage: kxrsa COMMAND [OPTIONS]\n\nRSA with libkxrsa on PEM and DER key files.\n\n");
    for (const Command& command : AllCommands()) std::fprintf(to, "  %-12s %s\n", command.name, command.summary);
    std::fprintf(to,
                 "\n  kxrsa --version    the version\n"
                 "  kxrsa --help       this text; kxrsa COMMAND --help: the command's options\n\n%s",
                 EXIT_CODES);
}

void PrintCommandHelp(const Command& command) {
    std::printf("Usage: kxrsa %s %s\n\n%s\n%s", command.name, command.synopsis, command.help, EXIT_CODES);
}

const Command* FindCommand(const char* name) {
    for (const Command& command : AllCommands())
        if (std::strcmp(command.name, name) == 0) return &command;
    return nullptr;
}

int Run(int argc, char** argv) {
    if (argc < 2) {
        PrintOverallHelp(stderr);
        return ExitUsage;
    }
    const std::string first = argv[1];
    if (first == "--help" || first == "-h") {
        PrintOverallHelp(stdout);
        return ExitSuccess;
    }
    if (first == "--version") {
        std::printf("kxrsa %s\n", KXRSA_TOOL_VERSION);
        return ExitSuccess;
    }
    const Command* command = FindCommand(argv[1]);
    if (command == nullptr) FailUsage("", "unknown command '" + first + "' (kxrsa --help)");
    for (int i = 2; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            PrintCommandHelp(*command);
            return ExitSuccess;
        }
    }
    return command->run(ParseOptions(command->name, command->options, argc, argv, 2));
}

}  // namespace

int main(int argc, char** argv) {
    try {
        return Run(argc, argv);
    } catch (const Failure& failure) {
        std::fprintf(stderr, "kxrsa: %s\n", failure.message.c_str());
        return failure.exitCode;
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "kxrsa: out of memory\n");
        return ExitLibrary;
    }
}
