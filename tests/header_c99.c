/* Compiled as strict C99: the public header must be plain C. */
#include <string.h>

#include "kxrsa.h"

int HeaderCompilesAsC(void) {
    uint8_t byte = 1;
    OctetString s = {&byte, 1};
    /* A null error pointer returns -1 and writes nothing. */
    return KxSealRsaBlock(&s, &s, &s, &s, 0) == -1 && ErrVerify == 549 &&
           KxSchemePss + KxHashSha512 == 0x10015 &&
           strcmp(KxErrorName(ErrVerify), "ErrVerify") == 0 &&
           strcmp(KxErrorName(548), "ErrEncode") == 0 && strcmp(KxErrorName(550), "unknown") == 0 &&
           strcmp(KxErrorMessage(549), "the signature does not match the message") == 0 &&
           KXRSA_VERSION_MAJOR >= 1;
}
