// OutputFile: where a command writes its result, all or nothing.
//
// A named file is written as a temporary file in the same folder and renamed
// over the name only by Commit, so that a failed or interrupted command never
// leaves a partial file behind. The temporary file is created at once, so an
// unwritable folder is reported before any work is done. Without a name (or
// with "-") the result goes to standard output; a name that is a device or a
// pipe (/dev/null) is written in place.
#ifndef KXRSA_TOOL_OUTPUT_FILE_H
#define KXRSA_TOOL_OUTPUT_FILE_H

#include <cstddef>
#include <cstdint>
#include <string>

enum class OutputAccess {
    Public,  // the usual permissions (0666 less the umask)
    Secret   // readable and writable by the owner only (0600)
};

class OutputFile {
public:
    OutputFile(const std::string& path, OutputAccess access);
    ~OutputFile();  // removes the temporary file unless committed
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    void Write(const uint8_t* bytes, size_t count);
    void Commit();

private:
    std::string path_;       // as given, for messages
    std::string target_;     // the file renamed over: path_, or where its link points
    std::string temporary_;  // while not committed
    int fd_ = -1;
    bool ownsDescriptor_ = false;  // a device or a pipe opened in place
};

#endif
