/* Compiled as strict C99: the public header must be plain C. */
#include "kxrsa.h"

int HeaderCompilesAsC(void) {
    uint8_t byte = 1;
    OctetString s = {&byte, 1};
    uint32_t error = 0;
    /* A null error pointer returns -1 and writes nothing. */
    return KxSealRsaBlock(&s, &s, &s, &s, 0) == -1 && error == 0 && ErrVerify == 549 &&
           KxSchemePss + KxHashSha512 == 0x10015;
}
