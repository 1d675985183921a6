// RunKeyOperation: one library call on a key and an input, its result written
// to the command's output file.
#ifndef KXRSA_TOOL_KEY_OPERATION_H
#define KXRSA_TOOL_KEY_OPERATION_H

#include <cstring>

#include "failure.h"
#include "options.h"
#include "output_file.h"
#include "rsa_key.h"

enum class ResultLength {
    AsWritten,     // the bytes the library wrote
    ModulusLength  // left-padded with zeros to the modulus length
};

// `operation(records, input, output, error)` calls the export; the output
// record has room for the modulus length. The output file (-o) is opened
// before the call, so that an unwritable one is reported first.
template <typename Operation>
int RunKeyOperation(const Options& options, const RsaKey& key, const Buffer& input, OutputAccess access,
                    ResultLength length, Operation operation) {
    OutputFile out(options.Value("-o"), access);
    const size_t k = key.n.size();
    Buffer result(k);
    OctetString output{result.data(), 0};
    const OctetString in = Octets(input);
    const KeyRecords records = RecordsOf(key);
    uint32_t error = 0;
    if (operation(records, in, output, error) != 0) FailLibrary(options.command, error);
    if (length == ResultLength::ModulusLength && output.length < k) {
        const size_t shift = k - output.length;
        std::memmove(result.data() + shift, result.data(), output.length);
        std::memset(result.data(), 0, shift);
        output.length = uint32_t(k);
    }
    out.Write(result.data(), output.length);
    out.Commit();
    return ExitSuccess;
}

#endif
