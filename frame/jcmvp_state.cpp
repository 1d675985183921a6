// see frame.h
#include "frame.h"

JcmvpModeState g_jcmvp = {};

bool IsJcmvpModeOn() { return g_jcmvp.library != nullptr; }

bool IsJcmvpErrorState() {
    return IsJcmvpModeOn() && g_jcmvp.getFamilyStatus != nullptr && g_jcmvp.getFamilyStatus() == 4;
}
