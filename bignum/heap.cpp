// see heap.h
#include "heap.h"

#include <cstdlib>

#ifdef KX_HEAP_TESTING
#include <atomic>

namespace {
std::atomic<uint64_t> g_failAt{0};
std::atomic<uint64_t> g_attempts{0};
std::atomic<int64_t> g_live{0};
std::atomic<uint64_t> g_uncleared{0};

// Counts memory released or ended with a non-zero byte among the uncleared.
void CountIfNotCleared(const void* memory, size_t size) {
    const auto* bytes = static_cast<const volatile uint8_t*>(memory);
    for (size_t i = 0; i < size; ++i) {
        if (bytes[i] != 0) {
            ++g_uncleared;
            return;
        }
    }
}

// True when this allocation is the one the test asked to fail.
bool ShouldFail() {
    uint64_t n = ++g_attempts;
    uint64_t failAt = g_failAt.load();
    return failAt != 0 && n == failAt;
}
}  // namespace

void HeapTestReset(uint64_t failAt) {
    g_failAt = failAt;
    g_attempts = 0;
    g_live = 0;
    g_uncleared = 0;
}
uint64_t HeapTestAllocations() { return g_attempts.load(); }
int64_t HeapTestLive() { return g_live.load(); }
uint64_t HeapTestUnclearedReleases() { return g_uncleared.load(); }
#endif

uint32_t* HeapAllocateWords(uint32_t count) {
#ifdef KX_HEAP_TESTING
    if (ShouldFail()) return nullptr;
#endif
    auto* words = static_cast<uint32_t*>(std::calloc(count == 0 ? 1 : count, sizeof(uint32_t)));
#ifdef KX_HEAP_TESTING
    if (words != nullptr) ++g_live;
#endif
    return words;
}

void HeapReleaseWords(uint32_t* words, uint32_t count) {
#ifdef KX_HEAP_TESTING
    if (words != nullptr) {
        --g_live;
        CountIfNotCleared(words, size_t{count} * sizeof(uint32_t));
    }
#else
    (void)count;
#endif
    std::free(words);
}

void HeapReleaseArea(const void* area, size_t size) {
#ifdef KX_HEAP_TESTING
    CountIfNotCleared(area, size);
#else
    (void)area;
    (void)size;
#endif
}

uint8_t* HeapAllocateBytes(size_t size) {
#ifdef KX_HEAP_TESTING
    if (ShouldFail()) return nullptr;
#endif
    auto* bytes = static_cast<uint8_t*>(std::malloc(size == 0 ? 1 : size));
#ifdef KX_HEAP_TESTING
    if (bytes != nullptr) ++g_live;
#endif
    return bytes;
}

void HeapReleaseBytes(uint8_t* bytes) {
#ifdef KX_HEAP_TESTING
    if (bytes != nullptr) --g_live;
#endif
    std::free(bytes);
}
