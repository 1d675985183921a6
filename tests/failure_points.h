// failure_points.h: which allocations an allocation-failure sweep fails, and
// its report line.
#ifndef KXRSA_TESTS_FAILURE_POINTS_H
#define KXRSA_TESTS_FAILURE_POINTS_H

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// The allocation numbers to fail among the `total` of one successful call:
// every one up to `everyUpTo`; beyond that (key generation, 2048-bit private
// keys) the first and last 60 and 120 spread evenly between.
inline std::vector<uint64_t> FailurePoints(uint64_t total, uint64_t everyUpTo = 400) {
    constexpr uint64_t ENDS = 60, SPREAD = 120;
    std::vector<uint64_t> points;
    for (uint64_t n = 1; n <= total; ++n) {
        const bool inEnds = n <= ENDS || n + ENDS > total;
        if (total <= everyUpTo || inEnds || (n - ENDS) % ((total - 2 * ENDS) / SPREAD + 1) == 0) points.push_back(n);
    }
    return points;
}

// The report: failure points swept of the allocations of one call, for one
// export and set of arguments.
inline void ReportFailurePoints(const char* exportName, const std::string& arguments, size_t swept, uint64_t total) {
    std::printf("allocation failure points: %s, %s: %zu of %llu\n", exportName, arguments.c_str(), swept,
                static_cast<unsigned long long>(total));
}

#endif
