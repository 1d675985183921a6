// Progress: the line that key generation shows on a terminal,
// "generating a 2048-bit key: attempt 1, 0.8 s", refreshed while it works.
// Nothing is shown when standard error is not a terminal.
#ifndef KXRSA_TOOL_PROGRESS_H
#define KXRSA_TOOL_PROGRESS_H

#include <chrono>
#include <functional>
#include <string>

class Progress {
public:
    explicit Progress(std::string what);
    ~Progress();  // ends the line
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;

    // Runs `work`, on a second thread while the line is shown.
    void Run(int attempt, const std::function<void()>& work);

private:
    void Show(int attempt) const;

    std::string what_;
    bool shown_;
    std::chrono::steady_clock::time_point start_;
};

#endif
