// A libkxrsa.so whose exports used by the status library's self-test "succeed" without a result.
#include "kxrsa.h"

using R = const OctetString*;
#define WRONG_RESULT(name, ...) \
    extern "C" KXRSA_API int32_t name(__VA_ARGS__, uint32_t* error) { return static_cast<int32_t>(*error = 0); }

WRONG_RESULT(KxSealRsaBlock, R, R, R, OctetString*)
WRONG_RESULT(KxUnsealRsaBlock, R, R, R, R, R, R, R, R, OctetString*)
WRONG_RESULT(KxUnsealRsaBlockBlinding, R, R, R, R, R, R, R, R, OctetString*)
WRONG_RESULT(KxSignRsaBlockPKCS, uint32_t, R, R, R, R, R, R, R, R, OctetString*)
WRONG_RESULT(KxVerifyRsaBlockPKCS, uint32_t, R, R, R, R)
