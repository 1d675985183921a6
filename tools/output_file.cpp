// OutputFile: a temporary file renamed into place, or standard output.
#include "output_file.h"

#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "failure.h"

namespace {

// The temporary file a signal handler must remove: one at a time per process.
char g_pending[PATH_MAX];
volatile sig_atomic_t g_hasPending = 0;

void RemovePendingAndDie(int signal) {
    if (g_hasPending) unlink(g_pending);
    ::signal(signal, SIG_DFL);
    raise(signal);
}

void SetPending(const std::string& path) {
    g_hasPending = 0;
    if (path.empty()) return;
    std::memcpy(g_pending, path.c_str(), path.size() + 1);
    g_hasPending = 1;
    static bool handlersInstalled = false;
    if (handlersInstalled) return;
    struct sigaction action {};
    action.sa_handler = RemovePendingAndDie;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) sigaction(signal, &action, nullptr);
    handlersInstalled = true;
}

bool IsStandardOutput(const std::string& path) { return path.empty() || path == "-"; }

}  // namespace

OutputFile::OutputFile(const std::string& path, OutputAccess access) : path_(path), target_(path) {
    if (IsStandardOutput(path)) {
        fd_ = STDOUT_FILENO;
        return;
    }
    struct stat existing {};
    if (stat(path.c_str(), &existing) == 0) {
        if (S_ISDIR(existing.st_mode)) FailFile("cannot write " + path + ": is a folder");
        // A device or a pipe (/dev/null, a FIFO) is written in place.
        if (!S_ISREG(existing.st_mode)) {
            fd_ = open(path.c_str(), O_WRONLY | O_CLOEXEC);
            if (fd_ < 0) FailSystem("cannot write", path, errno);
            ownsDescriptor_ = true;
            return;
        }
        // A symbolic link stays one: its target is replaced.
        char target[PATH_MAX];
        if (realpath(path.c_str(), target) != nullptr) target_ = target;
    }
    const size_t slash = target_.rfind('/');
    const std::string folder = slash == std::string::npos ? "" : target_.substr(0, slash + 1);
    const std::string base = slash == std::string::npos ? target_ : target_.substr(slash + 1);
    if (base.empty()) FailFile("cannot write " + path + ": is a folder");
    std::string pattern = folder + "." + base + ".kxrsa-XXXXXX";
    if (pattern.size() >= PATH_MAX) FailFile("cannot write " + path + ": name too long");
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    fd_ = mkostemp(name.data(), O_CLOEXEC);
    if (fd_ < 0) FailSystem("cannot write", path, errno);
    temporary_ = name.data();
    SetPending(temporary_);
    if (access == OutputAccess::Public) {
        const mode_t mask = umask(0);
        umask(mask);
        fchmod(fd_, 0666 & ~mask);
    }
}

OutputFile::~OutputFile() {
    if (ownsDescriptor_) close(fd_);
    if (temporary_.empty()) return;
    SetPending("");
    close(fd_);
    unlink(temporary_.c_str());
}

void OutputFile::Write(const uint8_t* bytes, size_t count) {
    while (count > 0) {
        const ssize_t written = write(fd_, bytes, count);
        if (written < 0) {
            if (errno == EINTR) continue;
            FailSystem("cannot write", DisplayName(path_, true), errno);
        }
        bytes += written;
        count -= size_t(written);
    }
}

void OutputFile::Commit() {
    if (temporary_.empty()) return;
    int error = fsync(fd_) == 0 ? 0 : errno;
    if (close(fd_) != 0 && error == 0) error = errno;
    fd_ = -1;
    if (error != 0) FailSystem("cannot write", path_, error);
    if (rename(temporary_.c_str(), target_.c_str()) != 0) FailSystem("cannot write", path_, errno);
    SetPending("");
    temporary_.clear();
}
