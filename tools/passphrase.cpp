// ResolvePassin and SupplyPassphrase.
#include "passphrase.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "failure.h"
#include "file_input.h"

namespace {

// The first line of `text`, without its line end.
Buffer FirstLine(const uint8_t* text, size_t size) {
    size_t length = 0;
    while (length < size && text[length] != '\n' && text[length] != '\r') ++length;
    return Buffer(text, length);
}

// Reads one line from the terminal with echo off, after a prompt.
bool AskTerminal(const std::string& keyName, char* pass, size_t size, size_t* length) {
    const int tty = open("/dev/tty", O_RDWR | O_CLOEXEC | O_NOCTTY);
    if (tty < 0) return false;
    const std::string prompt = "Enter pass phrase for " + keyName + ": ";
    bool ok = write(tty, prompt.data(), prompt.size()) == ssize_t(prompt.size());
    termios saved{};
    const bool haveTermios = tcgetattr(tty, &saved) == 0;
    if (haveTermios) {
        termios silent = saved;
        silent.c_lflag &= tcflag_t(~ECHO);
        tcsetattr(tty, TCSAFLUSH, &silent);
    }
    size_t used = 0;
    char c = 0;
    while (ok) {
        const ssize_t got = read(tty, &c, 1);
        if (got <= 0 || c == '\n' || c == '\r') {
            ok = got >= 0;
            break;
        }
        if (used == size)
            ok = false;
        else
            pass[used++] = c;
    }
    if (haveTermios) tcsetattr(tty, TCSAFLUSH, &saved);
    ok = write(tty, "\n", 1) == 1 && ok;
    close(tty);
    c = 0;
    *length = used;
    return ok;
}

}  // namespace

Buffer ResolvePassin(const std::string& command, const std::string& source) {
    const size_t colon = source.find(':');
    const std::string kind = colon == std::string::npos ? "" : source.substr(0, colon);
    const std::string rest = colon == std::string::npos ? "" : source.substr(colon + 1);
    if (kind == "pass") return Buffer(reinterpret_cast<const uint8_t*>(rest.data()), rest.size());
    if (kind == "env") {
        const char* value = std::getenv(rest.c_str());
        if (value == nullptr) FailUsage(command, "--passin " + source + ": " + rest + " is not set");
        return Buffer(reinterpret_cast<const uint8_t*>(value), std::strlen(value));
    }
    if (kind == "file" && !rest.empty()) {
        const Buffer text = ReadInput(rest);
        return FirstLine(text.data(), text.size());
    }
    FailUsage(command, "--passin takes pass:TEXT, env:VARIABLE or file:PATH");
}

int SupplyPassphrase(char* pass, size_t size, size_t* length, const OSSL_PARAM[], void* context) {
    auto* request = static_cast<PassphraseRequest*>(context);
    request->asked = true;
    if (request->given != nullptr) {
        if (request->given->size() > size) return 0;
        std::memcpy(pass, request->given->data(), request->given->size());
        *length = request->given->size();
        return 1;
    }
    if (!AskTerminal(request->keyName, pass, size, length)) {
        request->noTerminal = true;
        return 0;
    }
    return 1;
}
