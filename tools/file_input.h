// Whole files (or standard input) read into memory.
#ifndef KXRSA_TOOL_FILE_INPUT_H
#define KXRSA_TOOL_FILE_INPUT_H

#include <string>

#include "buffer.h"

// The bytes of `path`, or of standard input for "" and "-". At most
// 4 GiB - 1 bytes (the library's record length); a Failure otherwise.
Buffer ReadInput(const std::string& path);

#endif
