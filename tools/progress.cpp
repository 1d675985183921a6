// Progress: a worker thread does the work while this one refreshes the line.
#include "progress.h"

#include <unistd.h>

#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <thread>

Progress::Progress(std::string what)
    : what_(std::move(what)), shown_(isatty(STDERR_FILENO) == 1), start_(std::chrono::steady_clock::now()) {}

Progress::~Progress() {
    if (shown_) std::fputc('\n', stderr);
}

void Progress::Show(int attempt) const {
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start_;
    std::fprintf(stderr, "\r%s: attempt %d, %.1f s", what_.c_str(), attempt, elapsed.count());
    std::fflush(stderr);
}

void Progress::Run(int attempt, const std::function<void()>& work) {
    if (!shown_) {
        work();
        return;
    }
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;
    std::thread worker([&] {
        work();
        const std::lock_guard<std::mutex> lock(mutex);
        done = true;
        finished.notify_one();
    });
    std::unique_lock<std::mutex> lock(mutex);
    while (!done) {
        Show(attempt);
        finished.wait_for(lock, std::chrono::milliseconds(100));
    }
    lock.unlock();
    worker.join();
    Show(attempt);
}
