// Compiled as C++: the same header, then both translation units linked.
#include "kxrsa.h"

extern "C" int HeaderCompilesAsC(void);

int main() {
    static_assert(sizeof(OctetString) == 2 * sizeof(void*), "pointer then 32-bit length");
    return HeaderCompilesAsC() ? 0 : 1;
}
