// schemes: the --scheme names, their identifiers and what they are.
#include <cstdio>

#include "commands.h"
#include "schemes.h"

int RunSchemes(const Options&) {
    std::printf("%-12s %-10s %s\n", "name", "identifier", "scheme");
    for (const Scheme& scheme : AllSchemes())
        std::printf("%-12s 0x%05x    %s\n", scheme.name, scheme.identifier, scheme.description);
    return 0;
}
