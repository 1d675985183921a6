// ReadInput: a file or standard input, whole.
#include "file_input.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

#include "failure.h"

namespace {

// Closes the descriptor it was given unless that is standard input.
struct InputDescriptor {
    int fd;
    ~InputDescriptor() {
        if (fd > STDIN_FILENO) close(fd);
    }
};

}  // namespace

Buffer ReadInput(const std::string& path) {
    const bool standardInput = path.empty() || path == "-";
    const std::string name = DisplayName(path, false);
    InputDescriptor input{standardInput ? STDIN_FILENO : open(path.c_str(), O_RDONLY | O_CLOEXEC)};
    if (input.fd < 0) FailSystem("cannot read", name, errno);

    // Grows by doubling; every abandoned buffer is wiped as it goes.
    Buffer bytes(4096);
    size_t used = 0;
    for (;;) {
        if (used == bytes.size()) {
            if (bytes.size() >= UINT32_MAX) FailFile(name + ": larger than 4 GiB");
            Buffer larger(bytes.size() * 2);
            std::memcpy(larger.data(), bytes.data(), used);
            bytes = std::move(larger);
        }
        const ssize_t got = read(input.fd, bytes.data() + used, bytes.size() - used);
        if (got == 0) break;
        if (got < 0) {
            if (errno == EINTR) continue;
            FailSystem("cannot read", name, errno);
        }
        used += size_t(got);
    }
    if (used > UINT32_MAX) FailFile(name + ": larger than 4 GiB");
    bytes.Truncate(used);
    return bytes;
}
