// see frame.h
#include "frame.h"

bool IsZeroValue(const OctetString* s) {
    for (uint32_t i = 0; i < s->length; ++i)
        if (s->data[i] != 0) return false;
    return true;
}
